#include "flash/spi_flash_detect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "flash/flash_test_machine.h"
#include "flash/spi_flash_chip_table.h"
#include "flash/spi_grant.h"

namespace tamsel {
namespace {

std::string IdText(uint8_t a, uint8_t b, uint8_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X", a, b, c);
  return text;
}

std::string JedecJson(const std::string& id) {
  return R"("jedec": ")" + id + R"(")";
}

void ExpectSameRow(const SpiFlashDesc& actual, const SpiFlashDesc& expected) {
  EXPECT_EQ(actual.manufacturerId, expected.manufacturerId);
  EXPECT_EQ(actual.memoryType, expected.memoryType);
  EXPECT_EQ(actual.capacityId, expected.capacityId);
  EXPECT_EQ(actual.opcodeSet, expected.opcodeSet);
  EXPECT_EQ(actual.sizeKiB, expected.sizeKiB);
  EXPECT_EQ(actual.statusBytes, expected.statusBytes);
  EXPECT_EQ(actual.needsEwsr, expected.needsEwsr);
  EXPECT_EQ(actual.pageSize, expected.pageSize);
  EXPECT_EQ(actual.name, expected.name);
  EXPECT_EQ(actual.programTimeoutMs, 1000);
  EXPECT_EQ(actual.chipEraseTimeoutMs, 20000);
}

TEST(SpiFlashDetect, EveryTableRowIsFoundByItsIdOnASimulatedChip) {
  for (std::size_t row = 0; row < SpiFlashChipTable.size(); ++row) {
    const SpiFlashDesc& expected = SpiFlashChipTable[row];
    SCOPED_TRACE("row " + std::to_string(row) + " " + expected.name.data());
    FlashTestMachine machine(
        JedecJson(IdText(expected.manufacturerId, expected.memoryType, expected.capacityId)));
    ASSERT_TRUE(machine.granted());
    ASSERT_TRUE(SpiFlashDetectSpiFlashRom(machine.flash));
    EXPECT_EQ(machine.flash.supported, 1);
    ExpectSameRow(machine.flash.desc, expected);
    EXPECT_EQ(machine.chip()->CommandCount(0xAB), 0u);
  }
}

TEST(SpiFlashDetect, KnownRowsKeepTheirListedFields) {
  const SpiFlashDesc& w25x40 = SpiFlashChipTable[28];
  EXPECT_STREQ(w25x40.name.data(), "W25X40CL");
  EXPECT_EQ(w25x40.sizeKiB, 512);
  EXPECT_EQ(w25x40.opcodeSet, 2);
  // Sizes as the parts are listed, not as the capacity byte suggests.
  EXPECT_EQ(SpiFlashChipTable[47].sizeKiB, 512);
  EXPECT_EQ(SpiFlashChipTable[49].sizeKiB, 512);
  EXPECT_EQ(SpiFlashChipTable[15].statusBytes, 2);
  EXPECT_EQ(SpiFlashChipTable[48].statusBytes, 2);
}

TEST(SpiFlashDetect, ChipSilentOnJedecIdIsFoundBySignature) {
  FlashTestMachine machine(R"("jedec": "FF FF FF", "signature": "9D 7B 7F")");
  ASSERT_TRUE(SpiFlashDetectSpiFlashRom(machine.flash));
  EXPECT_STREQ(machine.flash.desc.name.data(), "Pm25LV512A");
  EXPECT_EQ(machine.flash.supported, 1);
  EXPECT_EQ(machine.chip()->CommandCount(0xAB), 1u);
}

TEST(SpiFlashDetect, UnknownIdGetsTheDefaults) {
  FlashTestMachine machine(JedecJson("C2 20 14"));
  ASSERT_TRUE(SpiFlashDetectSpiFlashRom(machine.flash));
  ExpectSameRow(machine.flash.desc, UnknownSpiFlashDesc(0xC2, 0x20, 0x14));
  EXPECT_STREQ(machine.flash.desc.name.data(), "Unknown");
  EXPECT_EQ(machine.flash.desc.sizeKiB, 512);
  EXPECT_EQ(machine.flash.supported, 0);
}

struct NoChipCase {
  const char* name;
  const char* flashJson;
};

class SpiFlashDetectNoChip : public ::testing::TestWithParam<NoChipCase> {};

TEST_P(SpiFlashDetectNoChip, IsRefusedAfterBothReads) {
  FlashTestMachine machine(GetParam().flashJson);
  machine.flash.supported = 7;  // left alone on refusal
  EXPECT_FALSE(SpiFlashDetectSpiFlashRom(machine.flash));
  EXPECT_EQ(machine.flash.supported, 7);
  EXPECT_EQ(machine.chip()->CommandCount(0x9F), 1u);
  EXPECT_EQ(machine.chip()->CommandCount(0xAB), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SpiFlashDetectNoChip,
    ::testing::Values(NoChipCase{"AllOnes", R"("jedec": "FF FF FF")"},
                      NoChipCase{"AllZeros", R"("jedec": "00 00 00", "signature": "00 00 00")"},
                      NoChipCase{"OnesThenZeros", R"("jedec": "FF FF FF", "signature": "00 00 00")"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(SpiFlashDetect, PartlyBlankIdsAreLookedUpWithoutSignatureRead) {
  for (const char* id : {"00 00 10", "FF FF 10"}) {
    SCOPED_TRACE(id);
    FlashTestMachine machine(JedecJson(id) + R"(, "signature": "EF 30 13")");
    ASSERT_TRUE(SpiFlashDetectSpiFlashRom(machine.flash));
    EXPECT_EQ(machine.chip()->CommandCount(0xAB), 0u);
    EXPECT_EQ(machine.flash.supported, 0);
    EXPECT_STREQ(machine.flash.desc.name.data(), "Unknown");
    EXPECT_EQ(machine.flash.desc.capacityId, 0x10);
  }
}

TEST(SpiGrant, NeverGrantedGivesUpAfterThreeAttemptsOnVirtualTime) {
  FlashTestMachine machine(JedecJson("EF 30 13"), R"("grant": "never")", false);
  ASSERT_TRUE(machine.opened());
  const uint64_t writesBefore = machine.sim().machine().AccessCounts(0).writes;
  const uint32_t start = GetTickCountMs();
  EXPECT_FALSE(QOR7740SpiGetControlGrant(machine.controller));
  const uint32_t elapsed = GetTickCountMs() - start;
  EXPECT_GE(elapsed, 9000u);
  EXPECT_LT(elapsed, 9100u);
  // Three requests, each withdrawn: six grant-register writes, bit 0 left clear.
  EXPECT_EQ(machine.sim().machine().AccessCounts(0).writes - writesBefore, 6u);
  EXPECT_EQ(SpiControllerReadRegister8(machine.controller, kSpiGrantRegister) & kSpiGrantRequest, 0);
}

TEST(SpiGrant, LateGrantIsTakenAndReleased) {
  FlashTestMachine machine(JedecJson("EF 30 13"), R"("grant": 5)", false);
  ASSERT_TRUE(machine.opened());
  machine.sim().StartRecording();
  EXPECT_TRUE(QOR7740SpiGetControlGrant(machine.controller));
  QOR7740SpiReleaseControlGrant(machine.controller);
  const auto writes = machine.RegisterWrites(machine.sim().StopRecording(), kSpiGrantRegister);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0] & kSpiGrantRequest, kSpiGrantRequest);
  EXPECT_EQ(writes[1] & kSpiGrantRequest, 0);
}

}  // namespace
}  // namespace tamsel
