#include "sim/stored_firmware_version.h"

#include "image/image_layout.h"
#include "image/image_verify.h"

namespace tamsel::sim {

std::array<uint8_t, 8> StoredFirmwareVersionRegisters(std::span<const uint8_t> flash) {
  std::array<uint8_t, 8> registers{};
  const auto length = ReadLe32(flash, kImageLengthOffset);
  if (!length || *length > flash.size()) return registers;
  const std::span<const uint8_t> image = flash.first(*length);
  if (FirstBrokenSpiRomRule(image) != SpiRomRule::kValid) return registers;
  const auto firmware = ReadDirectoryEntry(image, kFirmwareAreaEntryOffset);
  if (!firmware || !firmware->present()) return registers;
  const auto version =
      BoundedBytes(image, uint64_t{firmware->areaOffset} + kFirmwareVersionOffset, kFirmwareVersionSize);
  if (!version) return registers;
  for (std::size_t i = 0; i < kFirmwareVersionSize; ++i) registers[i] = (*version)[i];
  return registers;
}

}  // namespace tamsel::sim
