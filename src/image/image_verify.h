#pragma once
// The validity test a firmware image must pass before it is written to a
// controller's flash: image signature, directory checksum, image length, and
// the CRC-32 values and QORX headers of the areas the directory lists.

#include <cstdint>
#include <span>

namespace tamsel {

// The rules of the test, in the order they are applied; kValid when all hold.
enum class SpiRomRule : int {
  kSignature = 1,          // 16 bytes at 0x200 are the image signature
  kDirectoryChecksum = 2,  // 8-bit sum of 0x200..0x2FE equals the byte at 0x2FF
  kImageLength = 3,        // value at 0x2F4 equals the image length
  kFixedArea = 4,          // fixed-area entry at 0x2000 with a matching CRC
  kHeaderArea = 5,         // header-area entry, its CRC and the QORX header at 0x100
  kSecondHeader = 6,       // QORX header at 0x180 when a second firmware area is listed
  kFirmwareAreas = 7,      // firmware-area CRCs (and its presence matching the header area)
  kValid = 8,
};

// The first rule the image breaks, or kValid. A field or area that does not lie
// wholly inside the image breaks the rule that reads it. Writes no trace.
SpiRomRule FirstBrokenSpiRomRule(std::span<const uint8_t> image);

// True when the image of length bytes passes every rule. Writes one message-trace
// line first with the image offsets of the six firmware-version bytes.
bool QOR7740VerifySpiRomFile(const uint8_t* image, uint32_t length);

}  // namespace tamsel
