#include "flash/spi_flash_update.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "flash/flash_test_machine.h"
#include "flash/spi_flash_blank_check.h"
#include "flash/spi_flash_chip_table.h"
#include "flash/spi_flash_commands.h"
#include "flash/spi_flash_detect.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomImage(std::size_t length, unsigned seed = 7) {
  std::mt19937 random(seed);
  Bytes image(length);
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random());
  return image;
}

FlashBuffer NoBuffer(uint32_t) {
  return nullptr;
}

// A detected chip with the grant held and its log cleared.
class SpiFlashUpdateTest : public ::testing::Test {
 protected:
  void Use(const std::string& flashJson, const std::string& faultsJson = "") {
    machine_ = std::make_unique<FlashTestMachine>(flashJson, faultsJson);
    ASSERT_TRUE(machine_->granted());
    ASSERT_TRUE(SpiFlashDetectSpiFlashRom(machine_->flash));
    machine_->chip()->ClearCommands();
  }
  const SpiFlash& flash() { return machine_->flash; }
  sim::SpiNorChip& chip() { return *machine_->chip(); }
  Bytes FlashHead(std::size_t length) {
    return Bytes(machine_->bytes().begin(), machine_->bytes().begin() + static_cast<std::ptrdiff_t>(length));
  }
  std::vector<uint32_t> SectorEraseAddresses() {
    std::vector<uint32_t> addresses;
    for (const auto& command : chip().commands()) {
      if (command.opcode == 0x20) addresses.push_back(command.address);
    }
    return addresses;
  }

  std::unique_ptr<FlashTestMachine> machine_;
};

TEST_F(SpiFlashUpdateTest, SupportedChipEndsByteIdenticalToTheImage) {
  Use(R"("jedec": "EF 30 13", "protected": true)");
  std::fill(machine_->bytes().begin(), machine_->bytes().end(), 0x3C);
  const Bytes image = RandomImage(std::size_t{256} * 1024);
  TraceCapture trace(3);
  EXPECT_TRUE(QOR7740UpdateSpiFlashRom(flash(), image.data(), static_cast<uint32_t>(image.size())));
  EXPECT_EQ(FlashHead(image.size()), image);
  // The chip erase cleared the rest too.
  EXPECT_EQ(machine_->bytes()[image.size()], 0xFF);
  EXPECT_EQ(chip().CommandCount(0xC7), 1u);
  EXPECT_EQ(chip().CommandCount(0x20), 0u);
  EXPECT_EQ(chip().CommandCount(0x02), 1024u);
  EXPECT_TRUE(trace.Contains("QOR7740UpdateSpiFlashRom:"));
  EXPECT_TRUE(trace.Contains(": QOR7740UpdateSpiFlashRom: Chip Erase status = 1"));
  EXPECT_TRUE(trace.Contains(": QOR7740UpdateSpiFlashRom: Blank Check status = 1"));
  EXPECT_TRUE(trace.Contains(": QOR7740UpdateSpiFlashRom: Write Data status = 1"));
  EXPECT_TRUE(trace.Contains("MSG::QOR7740BlankCheckSpiFlashRom:"));
  EXPECT_TRUE(trace.Contains(": QOR7730BlankCheckSpiFlashRom: Blank check completed"));
}

TEST_F(SpiFlashUpdateTest, ConsoleVariantWritesTheSameBytes) {
  Use(R"("jedec": "BF 25 8D", "protected": true)");
  const Bytes image = RandomImage(6000);
  std::ostringstream out;
  ProgressReporter progress(out);
  EXPECT_TRUE(
      QOR7740UpdateSpiFlashRom_CMD(flash(), image.data(), static_cast<uint32_t>(image.size()), progress));
  EXPECT_EQ(FlashHead(image.size()), image);
  EXPECT_EQ(chip().CommandCount(0x02), image.size()) << "one byte per program command";
}

struct SpanCase {
  uint32_t length;
  std::vector<uint32_t> sectors;
};

class UnsupportedChipSpan : public SpiFlashUpdateTest, public ::testing::WithParamInterface<SpanCase> {};

TEST_P(UnsupportedChipSpan, ErasesTheSectorsOfTheImage) {
  const SpanCase& c = GetParam();
  Use(R"("jedec": "C2 20 14")");
  ASSERT_EQ(flash().supported, 0);
  std::fill(machine_->bytes().begin(), machine_->bytes().begin() + 0x20000, 0x00);
  const Bytes image = RandomImage(c.length);
  EXPECT_TRUE(QOR7740UpdateSpiFlashRom(flash(), image.data(), c.length));
  EXPECT_EQ(SectorEraseAddresses(), c.sectors);
  EXPECT_EQ(chip().CommandCount(0xC7), 0u);
  EXPECT_EQ(FlashHead(c.length), image);
  EXPECT_EQ(machine_->bytes()[c.sectors.size() * 4096], 0x00) << "nothing past the span is erased";
}

std::vector<uint32_t> Sectors(uint32_t count) {
  std::vector<uint32_t> sectors;
  for (uint32_t k = 0; k < count; ++k) sectors.push_back(k * 4096);
  return sectors;
}

INSTANTIATE_TEST_SUITE_P(Lengths, UnsupportedChipSpan,
                         ::testing::Values(SpanCase{256, Sectors(16)}, SpanCase{4097, Sectors(2)},
                                           SpanCase{4096, Sectors(1)}, SpanCase{255, Sectors(1)},
                                           SpanCase{8192, Sectors(2)}));

TEST_F(SpiFlashUpdateTest, RegisterTableUpdateBlankChecksOnlyItsBytes) {
  Use(R"("jedec": "C2 20 14")");
  const Bytes image = RandomImage(256);
  QOR7740UpdateSpiFlashRom(flash(), image.data(), 256);
  uint32_t readBytes = 0;
  for (const auto& command : chip().commands()) {
    if (command.opcode == 0x03) readBytes += command.dataLength;
  }
  EXPECT_EQ(readBytes, 512u) << "blank check and verify, 256 bytes each";
}

TEST_F(SpiFlashUpdateTest, SilentProgramFailureIsTriedThreeTimes) {
  Use(R"("jedec": "EF 30 13")", R"("program_fails": true)");
  const Bytes image = RandomImage(8192);
  TraceCapture trace(3);
  EXPECT_FALSE(QOR7740UpdateSpiFlashRom(flash(), image.data(), static_cast<uint32_t>(image.size())));
  EXPECT_EQ(chip().CommandCount(0xC7), 3u);
  EXPECT_EQ(chip().CommandCount(0x02), 3u * 32);
  int verifyFailures = 0;
  for (const std::string& line : trace.lines()) {
    if (line.find(": QOR7740UpdateSpiFlashRom: Verify Written data fail!!!") != std::string::npos)
      ++verifyFailures;
  }
  EXPECT_EQ(verifyFailures, 3);
}

TEST_F(SpiFlashUpdateTest, StuckByteStopsEveryAttemptAtTheBlankCheck) {
  Use(R"("jedec": "EF 30 13")", R"("stuck": ["0x100"])");
  const Bytes image = RandomImage(4096);
  TraceCapture trace(3);
  EXPECT_FALSE(QOR7740UpdateSpiFlashRom(flash(), image.data(), static_cast<uint32_t>(image.size())));
  EXPECT_EQ(chip().CommandCount(0xC7), 3u);
  EXPECT_EQ(chip().CommandCount(0x02), 0u);
  EXPECT_TRUE(trace.Contains("MSG::QOR7740BlankCheckSpiFlashRom:"));
  EXPECT_TRUE(trace.Contains(": QOR7730BlankCheckSpiFlashRom: Blank check fail at address 0x00000100!!!"));
  EXPECT_TRUE(trace.Contains(": QOR7740UpdateSpiFlashRom: Blank Check status = 0"));
  EXPECT_FALSE(trace.Contains("Write Data status"));
}

TEST_F(SpiFlashUpdateTest, WithoutBuffersVerifiesByteByByte) {
  Use(R"("jedec": "EF 30 13")");
  const Bytes image = RandomImage(1024);
  TraceCapture trace(3);
  EXPECT_TRUE(QOR7740UpdateSpiFlashRom(flash(), image.data(), 1024, NoBuffer));
  EXPECT_EQ(FlashHead(image.size()), image);
  EXPECT_EQ(chip().CommandCount(0x03), 2048u) << "one READ per byte for blank check and verify";
  EXPECT_TRUE(trace.Contains(": QOR7740UpdateSpiFlashRom: Allocate memory for data verified fail!!!"));
  EXPECT_TRUE(trace.Contains(": QOR7740BlankCheckSpiFlashRom: Allocate memory for blank check fail!!!"));
  EXPECT_TRUE(trace.Contains(": QOR7740UpdateSpiFlashRom: Verify data allocate memory fail!!!"));
}

TEST_F(SpiFlashUpdateTest, ByteByByteFallbacksReportTheFirstBadAddress) {
  Use(R"("jedec": "EF 30 13")", R"("program_fails": true, "stuck": [])");
  const Bytes image(300, 0x00);
  {
    TraceCapture trace(3);
    EXPECT_FALSE(QOR7740UpdateSpiFlashRom(flash(), image.data(), 300, NoBuffer));
    EXPECT_TRUE(
        trace.Contains(": QOR7740UpdateSpiFlashRom: Verify Written data fail at address 0x00000000!!!"));
  }
  {
    TraceCapture trace(3);
    std::ostringstream out;
    EXPECT_FALSE(QOR7740UpdateSpiFlashRom_CMD(flash(), image.data(), 300, ProgressReporter(out), NoBuffer));
    EXPECT_TRUE(trace.Contains("QOR7740UpdateSpiFlashRom_CMD:"));
    EXPECT_TRUE(trace.Contains(": Verify fail at addr 0x00000000"));
    EXPECT_FALSE(trace.Contains("Verify data allocate memory fail"));
  }
}

TEST_F(SpiFlashUpdateTest, BlankCheckFindsTheFirstProgrammedByte) {
  Use(R"("jedec": "EF 30 13")");
  std::fill(machine_->bytes().begin(), machine_->bytes().end(), 0xFF);
  EXPECT_TRUE(QOR7740BlankCheckSpiFlashRom(flash(), 4096));
  machine_->bytes()[0x345] = 0xFE;
  machine_->bytes()[0x800] = 0x00;
  for (bool withBuffer : {true, false}) {
    TraceCapture trace(3);
    EXPECT_FALSE(withBuffer ? QOR7740BlankCheckSpiFlashRom(flash(), 4096)
                            : QOR7740BlankCheckSpiFlashRom(flash(), 4096, NoBuffer));
    EXPECT_TRUE(trace.Contains("Blank check fail at address 0x00000345!!!"));
    EXPECT_FALSE(trace.Contains("0x00000800"));
  }
  EXPECT_TRUE(QOR7740BlankCheckSpiFlashRom(flash(), 0x345));
}

// The percentages a console update of `length` bytes on a chip outside the
// table prints: erase sectors, blank check, program pieces, verify pieces.
std::vector<uint32_t> ExpectedConsolePercentages(uint32_t length) {
  std::vector<uint32_t> expected;
  const uint32_t sectors = (length + 4095) / 4096;
  for (uint32_t k = 0; k < sectors; ++k) expected.push_back((100 * k / sectors) / 3);
  expected.push_back(33);
  for (uint32_t k = 0; k < sectors; ++k) expected.push_back(33 + 204800 * k / length);
  for (uint32_t k = 0; k < sectors; ++k) expected.push_back(83 + 69632 * k / length);
  return expected;
}

std::vector<uint32_t> ParsePercentages(const std::string& text) {
  std::vector<uint32_t> values;
  std::size_t at = 0;
  while ((at = text.find('\r', at)) != std::string::npos) {
    ++at;
    const std::size_t end = text.find("%...", at);
    if (end == std::string::npos) break;
    values.push_back(static_cast<uint32_t>(std::stoul(text.substr(at, end - at))));
    at = end;
  }
  return values;
}

TEST_F(SpiFlashUpdateTest, ConsoleProgressOn256KiBUnsupportedChip) {
  Use(R"("jedec": "C2 20 14")");
  const Bytes image = RandomImage(std::size_t{256} * 1024);
  std::ostringstream out;
  int pumps = 0;
  ProgressReporter progress(out, [&pumps] { ++pumps; });
  EXPECT_TRUE(
      QOR7740UpdateSpiFlashRom_CMD(flash(), image.data(), static_cast<uint32_t>(image.size()), progress));
  const std::vector<uint32_t> printed = ParsePercentages(out.str());
  EXPECT_EQ(printed, ExpectedConsolePercentages(256 * 1024));
  ASSERT_EQ(printed.size(), 64u + 1 + 64 + 64);
  EXPECT_EQ(printed[0], 0u);
  EXPECT_EQ(printed[63], 32u);
  EXPECT_EQ(printed[64], 33u);
  EXPECT_EQ(printed[65], 33u);
  EXPECT_EQ(printed[128], 82u);
  EXPECT_EQ(printed[129], 83u);
  EXPECT_EQ(printed.back(), 99u);
  EXPECT_EQ(pumps, static_cast<int>(printed.size()));
  EXPECT_EQ(out.str().substr(0, 10), "\r0%...\r0%.");
  EXPECT_EQ(FlashHead(image.size()), image);
}

TEST_F(SpiFlashUpdateTest, ConsoleProgressOnSupportedChipSkipsTheErase) {
  Use(R"("jedec": "EF 30 13")");
  const Bytes image = RandomImage(8192);
  // The byte-by-byte verify reports at the same addresses as the 4 KiB pieces.
  for (const FlashBufferAllocator& allocate :
       {FlashBufferAllocator(AllocateFlashBuffer), FlashBufferAllocator(NoBuffer)}) {
    std::ostringstream out;
    EXPECT_TRUE(QOR7740UpdateSpiFlashRom_CMD(flash(), image.data(), 8192, ProgressReporter(out), allocate));
    EXPECT_EQ(ParsePercentages(out.str()), (std::vector<uint32_t>{33, 33, 58, 83, 91}));
  }
}

TEST(SpiFlashStuckController, PollsEndAtTheirLimitsAndNothingReadsBlank) {
  FlashTestMachine stuck(R"("jedec": "EF 30 13")", R"("busy": true)");
  ASSERT_TRUE(stuck.granted());
  // Detection sees nothing on a controller whose transfers never finish; give it its row.
  stuck.flash.desc = *FindSpiFlashChip(0xEF, 0x30, 0x13);
  stuck.flash.supported = 1;
  // Every failed status read counts as "not ready": the wait runs to its limit
  // (plus the status read under way) and no further.
  uint32_t start = GetTickCountMs();
  SpiFlashWaitIdle(stuck.flash, 1000);
  EXPECT_GT(GetTickCountMs() - start, 1000u);
  EXPECT_LT(GetTickCountMs() - start, 5000u);
  start = GetTickCountMs();
  SpiFlashWaitWriteEnabled(stuck.flash);
  EXPECT_LT(GetTickCountMs() - start, 5000u);
  // Bytes that never arrived are not blank, with or without a buffer.
  EXPECT_FALSE(QOR7740BlankCheckSpiFlashRom(stuck.flash, 4));
  EXPECT_FALSE(QOR7740BlankCheckSpiFlashRom(stuck.flash, 4, NoBuffer));
}

TEST(UnsupportedChipEraseSectors, CountsSectorsOfTheLength) {
  EXPECT_EQ(UnsupportedChipEraseSectors(256), 16u);
  EXPECT_EQ(UnsupportedChipEraseSectors(0), 0u);
  EXPECT_EQ(UnsupportedChipEraseSectors(1), 1u);
  EXPECT_EQ(UnsupportedChipEraseSectors(262144), 64u);
  EXPECT_EQ(UnsupportedChipEraseSectors(262145), 65u);
}

}  // namespace
}  // namespace tamsel
