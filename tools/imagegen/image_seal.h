#pragma once
// Re-seals an image after its bytes were edited: recomputes the QORX header
// checksums, the CRC-32 of every area the directory lists and, last, the
// directory checksum. The image length at 0x2F4 is left as it stands.

#include <cstdint>
#include <span>

namespace tamsel {

// False when the image is too short for the directory or a listed area lies
// beyond its end (that area's CRC is left alone; the rest is still sealed).
bool SealImage(std::span<uint8_t> image);

// Recomputes only the directory checksum at 0x2FF; false when the image is too short.
bool SealDirectoryChecksum(std::span<uint8_t> image);

}  // namespace tamsel
