#include "flash/spi_flash_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

#include "flash/flash_test_machine.h"
#include "flash/spi_flash_detect.h"

namespace tamsel {
namespace {

using Bytes = std::vector<uint8_t>;

// A detected chip with its command log cleared, ready for one primitive.
class SpiFlashCommandsTest : public ::testing::Test {
 protected:
  void Use(const std::string& flashJson) {
    machine_ = std::make_unique<FlashTestMachine>(flashJson);
    ASSERT_TRUE(machine_->granted());
    ASSERT_TRUE(SpiFlashDetectSpiFlashRom(machine_->flash));
    machine_->chip()->ClearCommands();
  }
  const SpiFlash& flash() { return machine_->flash; }
  sim::SpiNorChip& chip() { return *machine_->chip(); }

  // The opcodes the chip saw, status polls left out.
  Bytes OpcodesWithoutPolls() {
    Bytes opcodes;
    for (const auto& command : chip().commands()) {
      if (command.opcode != 0x05) opcodes.push_back(command.opcode);
    }
    return opcodes;
  }
  // (address, data length) of every command with the opcode.
  std::vector<std::pair<uint32_t, uint32_t>> Commands(uint8_t opcode) {
    std::vector<std::pair<uint32_t, uint32_t>> found;
    for (const auto& command : chip().commands()) {
      if (command.opcode == opcode) found.emplace_back(command.address, command.dataLength);
    }
    return found;
  }

  std::unique_ptr<FlashTestMachine> machine_;
};

constexpr const char* kW25X40CL = R"("jedec": "EF 30 13")";
constexpr const char* kSst25VF040B = R"("jedec": "BF 25 8D", "protected": true)";
constexpr const char* kSst25VF020B = R"("jedec": "BF 25 8C", "protected": true)";
constexpr const char* kGD25Q21B = R"("jedec": "C8 41 12", "protected": true)";
constexpr const char* kMX25L5121E = R"("jedec": "C2 22 10")";

Bytes Pattern(std::size_t length) {
  Bytes bytes(length);
  std::iota(bytes.begin(), bytes.end(), uint8_t{0x11});
  return bytes;
}

TEST_F(SpiFlashCommandsTest, ReadOfFiveBytesIsOneCommandOfTwoTransfers) {
  Use(kW25X40CL);
  std::copy_n(Pattern(5).begin(), 5, machine_->bytes().begin() + 0x1234);
  Bytes read(5);
  machine_->sim().StartRecording();
  EXPECT_TRUE(SpiFlashRead(flash(), read.data(), 0x1234, 5));
  const auto controls = machine_->TransferControls(machine_->sim().StopRecording());
  EXPECT_EQ(read, Pattern(5));
  EXPECT_EQ(controls, (Bytes{0x2C, 0x24, 0x21}));
  EXPECT_EQ(Commands(0x03), (std::vector<std::pair<uint32_t, uint32_t>>{{0x1234, 5}}));
}

TEST_F(SpiFlashCommandsTest, ReadOfNothingSendsNothing) {
  Use(kW25X40CL);
  machine_->sim().StartRecording();
  EXPECT_TRUE(SpiFlashRead(flash(), nullptr, 0, 0));
  EXPECT_TRUE(machine_->sim().StopRecording().empty());
  EXPECT_EQ(chip().TotalCommands(), 0u);
}

TEST_F(SpiFlashCommandsTest, ReadOfAWholeRangeIsOneCommand) {
  Use(kW25X40CL);
  Bytes read(4096 + 3);
  SpiFlashRead(flash(), read.data(), 0, static_cast<uint32_t>(read.size()));
  EXPECT_EQ(Commands(0x03), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 4099}}));
}

struct ProgramCase {
  const char* name;
  const char* flashJson;
  uint32_t address;
  uint32_t length;
  std::vector<std::pair<uint32_t, uint32_t>> programs;  // address, length
};

class SpiFlashProgramSplit : public SpiFlashCommandsTest,
                             public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(SpiFlashProgramSplit, SplitsByPageAndLandsTheBytes) {
  const ProgramCase& c = GetParam();
  Use(c.flashJson);
  const Bytes data = Pattern(c.length);
  EXPECT_TRUE(SpiFlashProgram(flash(), data.data(), c.address, c.length));
  EXPECT_EQ(Commands(0x02), c.programs);
  // Every program command has its own write enable just before it.
  Bytes expected;
  for (std::size_t i = 0; i < c.programs.size(); ++i) expected.insert(expected.end(), {0x06, 0x02});
  EXPECT_EQ(OpcodesWithoutPolls(), expected);
  EXPECT_EQ(chip().commands().back().opcode, 0x05) << "ends with a busy wait";
  EXPECT_TRUE(std::equal(data.begin(), data.end(), machine_->bytes().begin() + c.address));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SpiFlashProgramSplit,
    ::testing::Values(ProgramCase{"TwoPagesFrom0x100", kW25X40CL, 0x100, 300, {{0x100, 256}, {0x200, 44}}},
                      ProgramCase{"CrossingAtPageEnd", kW25X40CL, 0xFC, 10, {{0xFC, 4}, {0x100, 6}}},
                      ProgramCase{"ThirtyTwoBytePages", kMX25L5121E, 0x10, 40, {{0x10, 16}, {0x20, 24}}},
                      ProgramCase{"OneBytePages", R"("jedec": "BF 25 8D")", 0, 3, {{0, 1}, {1, 1}, {2, 1}}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(SpiFlashCommandsTest, ProgramSendsDataInTransfersOfFourBytes) {
  Use(kW25X40CL);
  const Bytes data = Pattern(10);
  machine_->sim().StartRecording();
  SpiFlashProgram(flash(), data.data(), 0, 10);
  Bytes controls = machine_->TransferControls(machine_->sim().StopRecording());
  std::erase_if(controls, [](uint8_t control) { return control == 0x29 || control == 0x21; });  // WREN, RDSR
  EXPECT_EQ(controls, (Bytes{0x2C, 0x2C, 0x2C, 0x2A}));
}

struct StatusCase {
  const char* name;
  const char* flashJson;
  Bytes opcodes;  // without polls
  uint32_t statusBytes;
};

class SpiFlashClearStatus : public SpiFlashCommandsTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(SpiFlashClearStatus, UnlocksWithTheChipsOwnSequence) {
  const StatusCase& c = GetParam();
  Use(c.flashJson);
  EXPECT_TRUE(SpiFlashClearStatusRegister(flash()));
  EXPECT_EQ(OpcodesWithoutPolls(), c.opcodes);
  ASSERT_EQ(Commands(0x01).size(), 1u);
  EXPECT_EQ(Commands(0x01)[0].second, c.statusBytes);
  EXPECT_EQ(chip().status() & sim::kStatusBlockProtect, 0);
}

INSTANTIATE_TEST_SUITE_P(Chips, SpiFlashClearStatus,
                         ::testing::Values(StatusCase{"WriteEnableOneByte",
                                                      R"("jedec": "EF 30 13", "protected": true)",
                                                      {0x06, 0x01},
                                                      1},
                                           StatusCase{"EwsrOneByte", kSst25VF040B, {0x50, 0x01}, 1},
                                           StatusCase{"EwsrTwoBytes", kSst25VF020B, {0x50, 0x01}, 2},
                                           StatusCase{"WriteEnableTwoBytes", kGD25Q21B, {0x06, 0x01}, 2}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct EraseCase {
  const char* name;
  const char* flashJson;
  bool chipErase;
  uint8_t opcode;
  bool erases;
};

class SpiFlashEraseOpcodes : public SpiFlashCommandsTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(SpiFlashEraseOpcodes, SendTheOpcodeOfTheSet) {
  const EraseCase& c = GetParam();
  Use(c.flashJson);
  std::fill(machine_->bytes().begin(), machine_->bytes().begin() + 0x2000, 0x00);
  EXPECT_TRUE(c.chipErase ? SpiFlashChipErase(flash()) : SpiFlashSectorErase(flash(), 0x1000));
  EXPECT_EQ(OpcodesWithoutPolls(), (Bytes{0x06, c.opcode}));
  EXPECT_EQ(machine_->bytes()[0x1000], c.erases ? 0xFF : 0x00);
  EXPECT_EQ(machine_->bytes()[0x0FFF], c.chipErase && c.erases ? 0xFF : 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, SpiFlashEraseOpcodes,
    ::testing::Values(EraseCase{"Set0Sector", R"("jedec": "EF 30 13")", false, 0x20, true},
                      EraseCase{"Set0Chip", R"("jedec": "EF 30 13")", true, 0xC7, true},
                      EraseCase{"Set1SectorD7", R"("jedec": "7F 9D 7E")", false, 0xD7, true},
                      EraseCase{"Set4Chip60", R"("jedec": "BF 48 BF")", true, 0x60, true},
                      EraseCase{"Set7SectorErasesNothing", R"("jedec": "20 20 13")", false, 0x00, false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(SpiFlashCommandsTest, SectorEraseIsOneFourByteTransfer) {
  Use(kW25X40CL);
  machine_->sim().StartRecording();
  SpiFlashSectorErase(flash(), 0x3000);
  Bytes controls = machine_->TransferControls(machine_->sim().StopRecording());
  std::erase_if(controls, [](uint8_t control) { return control == 0x29 || control == 0x21; });
  EXPECT_EQ(controls, (Bytes{0x2C}));
  EXPECT_EQ(Commands(0x20), (std::vector<std::pair<uint32_t, uint32_t>>{{0x3000, 0}}));
}

TEST_F(SpiFlashCommandsTest, AddressesKeepOnlyTheirLow24Bits) {
  Use(kW25X40CL);
  machine_->bytes()[0x10] = 0x5A;
  uint8_t value = 0;
  SpiFlashRead(flash(), &value, 0x01000010, 1);
  EXPECT_EQ(value, 0x5A);
  const uint8_t data = 0x00;
  SpiFlashProgram(flash(), &data, 0xFF000020, 1);
  SpiFlashSectorErase(flash(), 0x7F001000);
  EXPECT_EQ(Commands(0x03)[0].first, 0x000010u);
  EXPECT_EQ(Commands(0x02)[0].first, 0x000020u);
  EXPECT_EQ(Commands(0x20)[0].first, 0x001000u);
  EXPECT_EQ(machine_->bytes()[0x20], 0x00);
}

TEST_F(SpiFlashCommandsTest, WaitsEndAtTheirLimitsWhenTheChipStaysBusy) {
  Use(R"("jedec": "EF 30 13")");
  // A chip erase keeps the chip busy for a second; a wait of 100 ms gives up.
  SpiFlashWriteEnable(flash());
  const uint8_t chipErase = 0xC7;
  SpiControllerSelect(machine_->controller);
  SpiControllerWrite(machine_->controller, &chipErase, 1);
  SpiControllerDeselect(machine_->controller);
  const uint32_t start = GetTickCountMs();
  SpiFlashWaitIdle(flash(), 100);
  const uint32_t waited = GetTickCountMs() - start;
  EXPECT_GT(waited, 100u);
  EXPECT_LT(waited, 200u);
  uint8_t status = 0;
  SpiFlashReadStatus(flash(), status);
  EXPECT_EQ(status & kSpiStatusWip, kSpiStatusWip);
}

}  // namespace
}  // namespace tamsel
