#include "image/crc32.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tamsel {
namespace {

uint32_t CrcOfText(std::string_view text) {
  return Crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(Crc32Test, KnownValues) {
  struct Case {
    std::string_view text;
    uint32_t crc;
  };
  const Case cases[] = {
      {"123456789", 0xCBF43926u},
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CrcOfText(c.text), c.crc) << '"' << c.text << '"';
  }
}

TEST(Crc32Test, NoBytesGiveZeroEvenWithoutABuffer) {
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(Crc32Test, EveryByteValueCounts) {
  // 256 zero bytes and 256 0xFF bytes: a wrong table entry or a missing final XOR shows here.
  EXPECT_EQ(Crc32(std::vector<uint8_t>(256, 0x00)), 0x0D968558u);
  EXPECT_EQ(Crc32(std::vector<uint8_t>(256, 0xFF)), 0xFEA8A821u);
}

}  // namespace
}  // namespace tamsel
