#pragma once
// Builds deterministic, valid firmware images: the carried default image and
// the variants tests need. Every area is filled with its own pseudo-random
// bytes (from the fill seed), so a test can tell areas and images apart.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tamsel {

using FwVersion = std::array<uint8_t, 6>;

inline constexpr uint32_t kDefaultImageSize = 262144;
inline constexpr FwVersion kDefaultFwVersion = {0x25, 0x06, 0x13, 0x00, 0xBC, 0x00};

struct FirmwareAreaOptions {
  uint32_t offset = 0;
  uint32_t length = 0;
  FwVersion version = kDefaultFwVersion;
};

struct OptionRomOptions {
  uint32_t address = 0x30000;
  uint32_t size = 0x1000;  // multiple of 512
  uint8_t major = 0x01;
  uint8_t minor = 0x6A;
  uint16_t pciDataOffset = 0x1C;  // where the PCI Data Structure starts inside the ROM
  uint16_t vendorId = 0x1E9C;
  uint16_t deviceId = 0x5844;
};

struct ImageOptions {
  uint32_t totalSize = kDefaultImageSize;  // also written to 0x2F4
  uint32_t fixedAreaLength = 0x1C000;      // the fixed area always starts at 0x2000
  FirmwareAreaOptions firmware{0x1E000, 0x8000, kDefaultFwVersion};
  std::optional<FirmwareAreaOptions> secondFirmware;  // e.g. {0x28000, 0x8000, version}
  std::optional<OptionRomOptions> optionRom;
  uint32_t fillSeed = 1;
};

// The image the options describe, checksums and CRCs right. Throws
// std::invalid_argument when an area or the option ROM does not fit the total size
// or overlaps the tables at the image's start.
std::vector<uint8_t> BuildImage(const ImageOptions& options = {});

}  // namespace tamsel
