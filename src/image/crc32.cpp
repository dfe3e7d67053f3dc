#include "image/crc32.h"

#include <array>

namespace tamsel {

namespace {

constexpr uint32_t kReflectedPolynomial = 0xEDB88320u;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t index = 0; index < table.size(); ++index) {
    uint32_t value = index;
    for (int bit = 0; bit < 8; ++bit) {
      value = (value & 1u) != 0 ? (value >> 1) ^ kReflectedPolynomial : value >> 1;
    }
    table[index] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t Crc32(const uint8_t* data, std::size_t count) {
  if (count == 0 || data == nullptr) {
    return 0;
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t index = 0; index < count; ++index) {
    crc = kCrcTable[(crc ^ data[index]) & 0xFFu] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace tamsel
