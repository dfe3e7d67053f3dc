#pragma once
// CRC-32 of zlib and Ethernet (reflected polynomial 0xEDB88320, initial value
// and final XOR 0xFFFFFFFF), computed byte by byte with a 256-entry table.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tamsel {

// CRC-32 of count bytes; a count of 0 gives 0. "123456789" gives 0xCBF43926.
uint32_t Crc32(const uint8_t* data, std::size_t count);

inline uint32_t Crc32(std::span<const uint8_t> bytes) {
  return Crc32(bytes.data(), bytes.size());
}

}  // namespace tamsel
