#include "image/version_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "image/option_rom.h"

namespace tamsel {
namespace {

using Version = std::array<uint8_t, 6>;

TEST(VersionTextTest, EveryFormOfTheSixBytes) {
  struct Case {
    Version bytes;
    const char* running;
    const char* report;
    const char* log;
    const char* stored;
  };
  const Case cases[] = {
      {{0x25, 0x06, 0x13, 0x00, 0xBC, 0x00},
       "250613-00BC-00",
       "25061300BC00",
       "25061300bc00",
       "250613_00_BC_00"},
      {{0x00, 0x01, 0x02, 0x0A, 0x0B, 0xFF},
       "000102-0A0B-FF",
       "0001020A0BFF",
       "0001020a0bff",
       "000102_0A_0B_FF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatRunningFwVersion(c.bytes), c.running);
    EXPECT_EQ(FormatReportFwVersion(c.bytes), c.report);
    EXPECT_EQ(FormatLogFwVersion(c.bytes), c.log);
    EXPECT_EQ(FormatStoredFwVersion(c.bytes), c.stored);
    EXPECT_EQ(RemoveUnderscores(FormatStoredFwVersion(c.bytes)), c.report);
  }
}

TEST(VersionTextTest, RemovingUnderscoresLeavesOtherTextAlone) {
  EXPECT_EQ(RemoveUnderscores("None"), "None");
  EXPECT_EQ(RemoveUnderscores(""), "");
  EXPECT_EQ(RemoveUnderscores("__a_b__"), "ab");
}

TEST(VersionTextTest, OptionRomVersion) {
  EXPECT_EQ(FormatOptionRomVersion(0x01, 0x6A), "1.6a");
  EXPECT_EQ(FormatOptionRomVersion(0x00, 0x05), "0.05");
  EXPECT_EQ(FormatOptionRomVersion(0x1F, 0xFF), "1f.ff");
}

std::vector<uint8_t> RomWithPciDataAt(uint16_t pointer) {
  std::vector<uint8_t> rom(kOptionRomReadSize, 0);
  rom[0x18] = static_cast<uint8_t>(pointer);
  rom[0x19] = static_cast<uint8_t>(pointer >> 8);
  return rom;
}

TEST(OptionRomTest, RevisionIsFoundThroughThePciDataPointer) {
  std::vector<uint8_t> rom = RomWithPciDataAt(0x1C);
  rom[0x1C + 0x12] = 0x6A;
  rom[0x1C + 0x13] = 0x01;
  EXPECT_EQ(OptionRomVersionText(rom), "1.6a");
}

TEST(OptionRomTest, RevisionOutsideTheFirst64BytesIsInvalid) {
  struct Case {
    uint16_t pointer;
    const char* text;
  };
  const Case cases[] = {
      {0x2C, "0.00"},                         // revision bytes at 0x3E and 0x3F: the last two read
      {0x2D, "Invalid"},                      // major at 0x40
      {0x2E, "Invalid"},                      // minor at 0x40
      {0x8000, "Invalid"}, {0xFFEE, "0.00"},  // 16-bit wrap: the revision bytes are at 0x00 and 0x01
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OptionRomVersionText(RomWithPciDataAt(c.pointer)), c.text) << std::hex << c.pointer;
  }
}

TEST(OptionRomTest, ShortReadsAreInvalidAndLongerOnesLookAtTheFirst64Bytes) {
  EXPECT_EQ(OptionRomVersionText({}), "Invalid");
  std::vector<uint8_t> rom = RomWithPciDataAt(0x30);
  rom.resize(0x100, 0x11);
  EXPECT_EQ(OptionRomVersionText(rom), "Invalid");
  rom.resize(0x30);
  EXPECT_EQ(OptionRomVersionText(rom), "Invalid");
}

TEST(OptionRomTest, ZeroAndErasedAddressesMeanNoRom) {
  EXPECT_FALSE(HasOptionRom(0));
  EXPECT_FALSE(HasOptionRom(0xFFFFFFFF));
  EXPECT_TRUE(HasOptionRom(0x30000));
}

}  // namespace
}  // namespace tamsel
