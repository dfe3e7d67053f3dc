#include "sim/spi_nor_chip.h"

#include <gtest/gtest.h>

#include <vector>

namespace tamsel::sim {
namespace {

using Bytes = std::vector<uint8_t>;

FlashChipDescription Description(std::array<uint8_t, 3> jedec) {
  FlashChipDescription description;
  description.jedec = jedec;
  return description;
}

// A chip on its own bus with its storage and clock, driven byte by byte.
class ChipBench {
 public:
  explicit ChipBench(const FlashChipDescription& description, uint8_t fill = 0xFF)
      : storage_(FlashChipSizeBytes(description), fill), chip_(description, storage_, clock_) {}

  // One command: the bytes sent, then `reads` bytes clocked back.
  Bytes Command(const Bytes& sent, std::size_t reads = 0) {
    chip_.SetChipSelect(true);
    for (uint8_t byte : sent) chip_.Exchange(byte);
    Bytes received;
    for (std::size_t i = 0; i < reads; ++i) received.push_back(chip_.Exchange(0x00));
    chip_.SetChipSelect(false);
    return received;
  }
  Bytes Read(uint32_t address, std::size_t count) {
    return Command({0x03, uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)}, count);
  }
  uint8_t Status() { return Command({0x05}, 1)[0]; }
  void WriteEnable() { Command({0x06}); }
  void Program(uint32_t address, const Bytes& data) {
    WriteEnable();
    Bytes command{0x02, uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)};
    command.insert(command.end(), data.begin(), data.end());
    Command(command);
  }
  void WaitIdle() {
    while (Status() & kStatusWip) clock_.Advance(1000);
  }

  VirtualClock clock_;
  std::vector<uint8_t> storage_;
  SpiNorChip chip_;
};

constexpr std::array<uint8_t, 3> kW25X40CL{0xEF, 0x30, 0x13};
constexpr std::array<uint8_t, 3> kSst25VF040B{0xBF, 0x25, 0x8D};
constexpr std::array<uint8_t, 3> kSst25VF020B{0xBF, 0x25, 0x8C};
constexpr std::array<uint8_t, 3> kSst25VF512A{0xBF, 0x48, 0xBF};
constexpr std::array<uint8_t, 3> kPm25LV040{0x7F, 0x9D, 0x7E};
constexpr std::array<uint8_t, 3> kM25P40{0x20, 0x20, 0x13};
constexpr std::array<uint8_t, 3> kGD25Q21B{0xC8, 0x41, 0x12};

TEST(SpiNorChipSize, ComesFromDescriptionThenTableThenDefault) {
  FlashChipDescription description = Description(kW25X40CL);
  EXPECT_EQ(FlashChipSizeBytes(description), 512u * 1024);
  description.sizeKiB = 128;
  EXPECT_EQ(FlashChipSizeBytes(description), 128u * 1024);
  EXPECT_EQ(FlashChipSizeBytes(Description({0xC2, 0x20, 0x14})), 512u * 1024);
  EXPECT_EQ(FlashChipSizeBytes(Description({0xEF, 0x30, 0x11})), 128u * 1024);
  description.sizeKiB = 0xFFFFFFFF;
  EXPECT_EQ(FlashChipSizeBytes(description), 16u * 1024 * 1024);
}

TEST(SpiNorChipIdentity, AnswersJedecIdAndSignature) {
  FlashChipDescription description = Description(kW25X40CL);
  description.signature = std::array<uint8_t, 3>{0xEF, 0x12, 0x34};
  ChipBench bench(description);
  EXPECT_EQ(bench.Command({0x9F}, 3), (Bytes{0xEF, 0x30, 0x13}));
  EXPECT_EQ(bench.Command({0xAB, 0, 0, 0}, 3), (Bytes{0xEF, 0x12, 0x34}));
  EXPECT_EQ(bench.chip_.part().name.data(), std::string("W25X40CL"));
}

TEST(SpiNorChipIdentity, ChipSilentOnJedecIdIsKnownBySignature) {
  FlashChipDescription description = Description({0xFF, 0xFF, 0xFF});
  description.signature = std::array<uint8_t, 3>{0x9D, 0x7B, 0x7F};
  ChipBench bench(description);
  EXPECT_EQ(bench.Command({0x9F}, 3), (Bytes{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(bench.Command({0xAB, 0, 0, 0}, 3), (Bytes{0x9D, 0x7B, 0x7F}));
  EXPECT_EQ(bench.chip_.part().name.data(), std::string("Pm25LV512A"));
  EXPECT_EQ(bench.storage_.size(), 64u * 1024);
}

TEST(SpiNorChipRead, AutoIncrementsAndWrapsAtTheTop) {
  ChipBench bench(Description({0xEF, 0x30, 0x10}));  // 64 KiB
  for (std::size_t i = 0; i < bench.storage_.size(); ++i) bench.storage_[i] = uint8_t(i);
  EXPECT_EQ(bench.Read(0x10, 5), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14}));
  EXPECT_EQ(bench.Read(0xFFFE, 4), (Bytes{0xFE, 0xFF, 0x00, 0x01}));
  // Address bits above the chip's size are not decoded.
  EXPECT_EQ(bench.Read(0x010020, 1), (Bytes{0x20}));
}

TEST(SpiNorChipProgram, NeedsWriteEnableAndOnlyClearsBits) {
  ChipBench bench(Description(kW25X40CL), 0x0F);
  bench.Command({0x02, 0, 0, 0, 0xF0});  // no WEL: ignored
  EXPECT_EQ(bench.storage_[0], 0x0F);
  EXPECT_FALSE(bench.chip_.commands().back().accepted);
  bench.Program(0, {0xF5});
  EXPECT_EQ(bench.storage_[0], 0x05);
  EXPECT_TRUE(bench.chip_.commands().back().accepted);
  EXPECT_EQ(bench.Status() & kStatusWel, 0);
}

TEST(SpiNorChipProgram, WrapsInsideItsPage) {
  ChipBench bench(Description(kW25X40CL));
  bench.Program(0x1FC, {1, 2, 3, 4, 5, 6});
  bench.WaitIdle();
  EXPECT_EQ(bench.Read(0x1FC, 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(bench.Read(0x100, 2), (Bytes{5, 6}));
  EXPECT_EQ(bench.storage_[0x200], 0xFF);
}

TEST(SpiNorChipProgram, OneBytePageChipsProgramOneByte) {
  ChipBench bench(Description(kSst25VF040B));
  bench.Program(0x10, {0x12, 0x34});
  bench.WaitIdle();
  EXPECT_EQ(bench.Read(0x10, 2), (Bytes{0x34, 0xFF}));
}

TEST(SpiNorChipProgram, AutoAddressIncrementRunsUntilWriteDisable) {
  ChipBench bench(Description(kSst25VF040B));
  bench.WriteEnable();
  bench.Command({0xAF, 0, 0, 0x20, 0x11});
  bench.WaitIdle();
  bench.Command({0xAF, 0x22});
  bench.WaitIdle();
  EXPECT_EQ(bench.Read(0x20, 1), (Bytes{0xFF})) << "reads are ignored in AAI mode";
  bench.Command({0x04});
  bench.Command({0xAF, 0x33});  // mode ended: ignored
  EXPECT_EQ(bench.Read(0x20, 3), (Bytes{0x11, 0x22, 0xFF}));
}

TEST(SpiNorChipBusy, IgnoresAllButStatusReadsWhileBusy) {
  ChipBench bench(Description(kW25X40CL));
  bench.Program(0, {0x00});
  EXPECT_EQ(bench.Status() & kStatusWip, kStatusWip);
  EXPECT_EQ(bench.Read(0, 1), (Bytes{0xFF}));  // read ignored, line floats high
  bench.WriteEnable();
  EXPECT_EQ(bench.Status() & kStatusWel, 0);
  bench.clock_.Advance(kPageProgramNs);
  EXPECT_EQ(bench.Status(), 0);
  EXPECT_EQ(bench.Read(0, 1), (Bytes{0x00}));
}

struct BusyCase {
  const char* name;
  std::array<uint8_t, 3> jedec;
  Bytes command;
  uint64_t busyNs;
};

class SpiNorChipBusyTime : public ::testing::TestWithParam<BusyCase> {};

TEST_P(SpiNorChipBusyTime, StaysBusyForTheDatasheetTime) {
  const BusyCase& c = GetParam();
  ChipBench bench(Description(c.jedec));
  bench.WriteEnable();
  bench.Command(c.command);
  bench.clock_.Advance(c.busyNs - 1);
  EXPECT_EQ(bench.Status() & kStatusWip, kStatusWip);
  bench.clock_.Advance(1);
  EXPECT_EQ(bench.Status() & kStatusWip, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, SpiNorChipBusyTime,
    ::testing::Values(BusyCase{"PageProgram", kW25X40CL, {0x02, 0, 0, 0, 0}, kPageProgramNs},
                      BusyCase{"ByteProgram", kSst25VF040B, {0x02, 0, 0, 0, 0}, kByteProgramNs},
                      BusyCase{"SectorErase", kW25X40CL, {0x20, 0, 0x10, 0}, kSectorEraseNs},
                      BusyCase{"ChipErase512KiB", kW25X40CL, {0xC7}, kChipEraseNsPer512KiB},
                      BusyCase{"ChipErase256KiB", {0xEF, 0x30, 0x12}, {0xC7}, kChipEraseNsPer512KiB / 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct EraseCase {
  const char* name;
  std::array<uint8_t, 3> jedec;
  Bytes command;
  bool erases;
};

class SpiNorChipOpcodeSet : public ::testing::TestWithParam<EraseCase> {};

TEST_P(SpiNorChipOpcodeSet, HonoursOnlyItsOwnEraseOpcodes) {
  const EraseCase& c = GetParam();
  ChipBench bench(Description(c.jedec), 0x00);
  bench.WriteEnable();
  bench.Command(c.command);
  EXPECT_EQ(bench.chip_.commands().back().accepted, c.erases);
  bench.WaitIdle();
  EXPECT_EQ(bench.Read(0x1000, 1)[0], c.erases ? 0xFF : 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, SpiNorChipOpcodeSet,
    ::testing::Values(EraseCase{"Set1SectorD7", kPm25LV040, {0xD7, 0, 0x10, 0}, true},
                      EraseCase{"Set1Sector20", kPm25LV040, {0x20, 0, 0x10, 0}, false},
                      EraseCase{"Set4Chip60", kSst25VF512A, {0x60}, true},
                      EraseCase{"Set4ChipC7", kSst25VF512A, {0xC7}, false},
                      EraseCase{"Set7Sector00", kM25P40, {0x00, 0, 0x10, 0}, false},
                      EraseCase{"Set7ChipC7", kM25P40, {0xC7}, true},
                      EraseCase{"Set0Sector20", kW25X40CL, {0x20, 0, 0x10, 0x80}, true},
                      EraseCase{"SectorEraseWithExtraByte", kW25X40CL, {0x20, 0, 0x10, 0, 0}, false},
                      EraseCase{"ChipEraseWithExtraByte", kW25X40CL, {0xC7, 0}, false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(SpiNorChipSectorErase, ErasesOnlyTheAddressedSector) {
  ChipBench bench(Description(kW25X40CL), 0x00);
  bench.WriteEnable();
  bench.Command({0x20, 0x01, 0x23, 0x45});
  EXPECT_EQ(bench.storage_[0x11FFF], 0x00);
  EXPECT_EQ(bench.storage_[0x12000], 0xFF);
  EXPECT_EQ(bench.storage_[0x12FFF], 0xFF);
  EXPECT_EQ(bench.storage_[0x13000], 0x00);
}

TEST(SpiNorChipProtection, BlockProtectRefusesUntilStatusCleared) {
  FlashChipDescription description = Description(kW25X40CL);
  description.protectedAtPowerOn = true;
  ChipBench bench(description, 0x00);
  EXPECT_EQ(bench.Status(), kStatusBlockProtect);
  bench.WriteEnable();
  bench.Command({0xC7});
  bench.Program(0x10, {0x00});
  EXPECT_EQ(bench.storage_[0], 0x00);
  EXPECT_EQ(bench.Status() & kStatusWel, 0);
  bench.WriteEnable();
  bench.Command({0x01, 0x00});
  bench.WaitIdle();
  bench.WriteEnable();
  bench.Command({0xC7});
  EXPECT_EQ(bench.storage_[0], 0xFF);
}

TEST(SpiNorChipStatusWrite, NeedsWriteEnableOrEwsr) {
  FlashChipDescription description = Description(kSst25VF040B);
  description.protectedAtPowerOn = true;
  ChipBench bench(description);
  bench.Command({0x01, 0x00});  // neither WREN nor EWSR
  EXPECT_EQ(bench.Status(), kStatusBlockProtect);
  bench.Command({0x50});
  bench.Command({0x01, 0x00});
  bench.WaitIdle();
  EXPECT_EQ(bench.Status(), 0);
}

TEST(SpiNorChipStatusWrite, EwsrIsNotHonouredWhereTheSetLacksIt) {
  FlashChipDescription description = Description(kW25X40CL);
  description.protectedAtPowerOn = true;
  ChipBench bench(description);
  bench.Command({0x50});
  bench.Command({0x01, 0x00});
  EXPECT_EQ(bench.Status(), kStatusBlockProtect);
}

TEST(SpiNorChipStatusWrite, TwoByteWriteSetsTheSecondStatusByte) {
  for (auto jedec : {kSst25VF020B, kGD25Q21B}) {
    ChipBench bench(Description(jedec));
    bench.WriteEnable();
    bench.Command({0x01, 0x1C, 0x42});
    bench.WaitIdle();
    EXPECT_EQ(bench.Status(), kStatusBlockProtect);
    EXPECT_EQ(bench.Command({0x35}, 1)[0], 0x42);
  }
}

TEST(SpiNorChipFaults, ProgramFailsLeavesContentButTakesTheTime) {
  FlashChipDescription description = Description(kW25X40CL);
  description.programFails = true;
  ChipBench bench(description);
  bench.Program(0, {0x00, 0x00});
  EXPECT_TRUE(bench.chip_.commands().back().accepted);
  EXPECT_EQ(bench.Status() & kStatusWip, kStatusWip);
  bench.WaitIdle();
  EXPECT_EQ(bench.Read(0, 2), (Bytes{0xFF, 0xFF}));
}

TEST(SpiNorChipFaults, StuckCellsNeverErase) {
  FlashChipDescription description = Description(kW25X40CL);
  description.stuckAddresses = {0x1234, 0x100};
  ChipBench bench(description, 0x00);
  bench.WriteEnable();
  bench.Command({0xC7});
  EXPECT_EQ(bench.storage_[0x100], 0x00);
  EXPECT_EQ(bench.storage_[0x1234], 0x00);
  EXPECT_EQ(bench.storage_[0x101], 0xFF);
}

TEST(SpiNorChipLog, RecordsOpcodeAddressAndLength) {
  ChipBench bench(Description(kW25X40CL));
  bench.Read(0x123456, 5);
  bench.Program(0x10, {1, 2, 3});
  const auto& log = bench.chip_.commands();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].opcode, 0x03);
  EXPECT_EQ(log[0].address, 0x123456u);
  EXPECT_EQ(log[0].dataLength, 5u);
  EXPECT_EQ(log[1].opcode, 0x06);
  EXPECT_EQ(log[2].opcode, 0x02);
  EXPECT_EQ(log[2].address, 0x10u);
  EXPECT_EQ(log[2].dataLength, 3u);
  EXPECT_EQ(bench.chip_.CommandCount(0x02), 1u);
}

TEST(SpiNorChipLog, KeepsCountingPastItsCapacity) {
  ChipBench bench(Description(kW25X40CL));
  bench.chip_.SetCommandLogCapacity(2);
  for (int i = 0; i < 5; ++i) bench.Status();
  EXPECT_EQ(bench.chip_.commands().size(), 2u);
  EXPECT_EQ(bench.chip_.droppedCommands(), 3u);
  EXPECT_EQ(bench.chip_.CommandCount(0x05), 5u);
}

}  // namespace
}  // namespace tamsel::sim
