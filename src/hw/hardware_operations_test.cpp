#include "hw/hardware_operations.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/hardware_platform.h"
#include "platform/in_process_service_registry.h"
#include "platform/qorio_requests.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

// A driver whose replies the test scripts, recording every request.
struct ScriptedDriver final : InProcessDriver, DeviceIoEnd {
  struct Seen {
    uint32_t code;
    std::vector<uint8_t> input;
    std::size_t outputSize;
  };
  // By default answers as the real driver does: writes report their byte count.
  std::function<DeviceIoReply(uint32_t, std::span<const uint8_t>, std::span<uint8_t>)> reply =
      [](uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output) {
        qorio::MemRecord record;
        if (code == qorio::kIoctlWriteMem && qorio::Decode(input, record))
          return DeviceIoReply{true, record.length};
        if (code == qorio::kIoctlSetDebugLevel) return DeviceIoReply{true, 4};
        return DeviceIoReply{true, static_cast<uint32_t>(output.size())};
      };
  std::vector<Seen> seen;
  bool startFails = false;
  int starts = 0;
  int stops = 0;

  bool Start(std::string& error) override {
    ++starts;
    if (startFails) error = "refused";
    return !startFails;
  }
  void Stop() override { ++stops; }
  DeviceIoEnd& Device() override { return *this; }
  DeviceIoReply DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                std::span<uint8_t> output) override {
    seen.push_back({code, {input.begin(), input.end()}, output.size()});
    return reply(code, input, output);
  }
};

struct ScriptedPlatform final : HardwarePlatform {
  ScriptedDriver driver;
  InProcessServiceRegistry services{driver, "\\\\.\\QorIO"};
  bool system64Bit = true;
  DriverServiceControl& Services() override { return services; }
  TickClock& Ticks() override { return SteadyTickClock(); }
  bool IsSystem64Bit() const override { return system64Bit; }
  std::string InstanceLockName() const override { return {}; }
};

// A platform bound for the test, with driver files in a temporary directory.
class DriverClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("tamsel-hw-" + std::to_string(::getpid()));
    fs::create_directories(directory_);
    std::ofstream(directory_ / "QorIo64.sys") << "driver";
    std::ofstream(directory_ / "QorIo.sys") << "driver";
    BindHardwarePlatform(&platform_);
    SetQorIODriverDirectory(directory_.string());
  }
  void TearDown() override {
    UnloadQorIODriver();
    BindHardwarePlatform(nullptr);
    SetQorIODriverDirectory({});
    fs::remove_all(directory_);
  }
  void LoadAndForget() {
    ASSERT_TRUE(LoadQorIODriver());
    platform_.driver.seen.clear();
  }
  std::vector<ScriptedDriver::Seen>& seen() { return platform_.driver.seen; }

  ScriptedPlatform platform_;
  fs::path directory_;
};

std::vector<uint8_t> PortInput(uint32_t port, uint32_t width, uint32_t value) {
  const auto bytes = qorio::Encode(qorio::PortRecord{port, width, value});
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> MemInput(uint32_t address, uint32_t length, uint32_t value) {
  const auto bytes = qorio::Encode(qorio::MemRecord{address, length, value});
  return {bytes.begin(), bytes.end()};
}

TEST(QorioRequestCodes, AreTheBufferedAnyAccessCodesOfDeviceType8000) {
  EXPECT_EQ(qorio::kIoctlMap, 0x80002000u);
  EXPECT_EQ(qorio::kIoctlUnmap, 0x80002004u);
  EXPECT_EQ(qorio::kIoctlGetPort, 0x80002008u);
  EXPECT_EQ(qorio::kIoctlSetPort, 0x8000200Cu);
  EXPECT_EQ(qorio::kIoctlReadMem, 0x80002028u);
  EXPECT_EQ(qorio::kIoctlWriteMem, 0x8000202Cu);
  EXPECT_EQ(qorio::kIoctlSetDebugLevel, 0x80002030u);
}

TEST(QorioRecords, AreEncodedLittleEndianAtTheirOffsets) {
  EXPECT_EQ(MemInput(0x11223344, 0x1000, 0xA1B2C3D4),
            (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 0x00, 0x10, 0, 0, 0xD4, 0xC3, 0xB2, 0xA1}));
  EXPECT_EQ(PortInput(0xCF8, 4, 0x80030000),
            (std::vector<uint8_t>{0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0,    0,
                                  0xF8, 0x0C, 0, 0, 4, 0, 0, 0, 0, 0, 0x03, 0x80}));
}

TEST_F(DriverClientTest, NotLoadedEveryOperationAnswersWithoutARequest) {
  std::array<uint8_t, 4> destination{9, 9, 9, 9};
  EXPECT_EQ(PciReadConfigByte(0, 0, 0, 0), 0);
  EXPECT_FALSE(PciWriteConfigByte(0, 0, 0, 4, 6));
  EXPECT_EQ(MapMem(0xF0001000), 0u);
  UnmapMem(0xF8A00000);
  EXPECT_EQ(ReadMem(0xF8A00000, 4, destination.data()), -2);
  EXPECT_EQ(destination, (std::array<uint8_t, 4>{}));
  EXPECT_EQ(WriteMem(0xF8A00000, 4, destination.data()), -2);
  EXPECT_EQ(SET_DEBUG_LEVEL(0), -2);
  EXPECT_TRUE(seen().empty());
}

TEST_F(DriverClientTest, ConfigurationReadWritesTheAddressThenReadsTheByteLane) {
  LoadAndForget();
  struct Case {
    uint8_t device, function, offset;
    uint32_t address;
    uint32_t port;
  };
  const Case cases[] = {
      {0x00, 0, 0x00, 0x80030000, 0xCFC},    {0x00, 0, 0x0E, 0x8003000C, 0xCFE},
      {0x1F, 7, 0xF1, 0x8003FFF0, 0xCFD},    {0x00, 0, 0xFF, 0x800300FC, 0xCFF},
      {0x3F, 0x0F, 0x07, 0x8003FF04, 0xCFF},  // device and function masked, not refused
  };
  for (const Case& c : cases) {
    seen().clear();
    PciReadConfigByte(3, c.device, c.function, c.offset);
    ASSERT_EQ(seen().size(), 2u);
    EXPECT_EQ(seen()[0].code, qorio::kIoctlSetPort);
    EXPECT_EQ(seen()[0].input, PortInput(0xCF8, 4, c.address));
    EXPECT_EQ(seen()[0].outputSize, 0u);
    EXPECT_EQ(seen()[1].code, qorio::kIoctlGetPort);
    EXPECT_EQ(seen()[1].input, PortInput(c.port, 1, 0));
    EXPECT_EQ(seen()[1].outputSize, 4u);
  }
}

TEST_F(DriverClientTest, ConfigurationReadReturnsTheLowByteEvenWhenTheAddressWriteFails) {
  LoadAndForget();
  platform_.driver.reply = [](uint32_t code, std::span<const uint8_t>, std::span<uint8_t> output) {
    if (code == qorio::kIoctlSetPort) return DeviceIoReply{false, 0};
    output[0] = 0x5A;
    output[1] = 0x77;
    return DeviceIoReply{false, 0};
  };
  EXPECT_EQ(PciReadConfigByte(0, 0, 0, 1), 0x5A);
}

TEST_F(DriverClientTest, ConfigurationWriteSendsTheDataOnlyAfterASuccessfulAddressWrite) {
  LoadAndForget();
  EXPECT_TRUE(PciWriteConfigByte(2, 1, 1, 0x7E, 0xAB));
  ASSERT_EQ(seen().size(), 2u);
  EXPECT_EQ(seen()[1].code, qorio::kIoctlSetPort);
  EXPECT_EQ(seen()[1].input, PortInput(0xCFE, 1, 0xAB));

  seen().clear();
  platform_.driver.reply = [](uint32_t, std::span<const uint8_t>, std::span<uint8_t>) {
    return DeviceIoReply{};
  };
  EXPECT_FALSE(PciWriteConfigByte(2, 1, 1, 0x7E, 0xAB));
  EXPECT_EQ(seen().size(), 1u);
}

TEST_F(DriverClientTest, MapMemTakesTheLowDwordOnlyWhenTheReplyHasPointerSize) {
  struct Case {
    bool system64Bit;
    uint32_t replied;
    uint32_t expected;
  };
  const Case cases[] = {{true, 8, 0xF8A01000}, {true, 4, 0}, {false, 4, 0xF8A01000}, {false, 8, 0}};
  for (const Case& c : cases) {
    UnloadQorIODriver();
    platform_.system64Bit = c.system64Bit;
    LoadAndForget();
    platform_.driver.reply = [&](uint32_t, std::span<const uint8_t>, std::span<uint8_t> output) {
      if (output.size() >= 4) qorio::StoreLe32(output.data(), 0xF8A01000);
      return DeviceIoReply{true, c.replied};
    };
    EXPECT_EQ(MapMem(0xF0001000), c.expected) << c.system64Bit << " " << c.replied;
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].code, qorio::kIoctlMap);
    EXPECT_EQ(seen()[0].input, MemInput(0xF0001000, 0x1000, 0));
    EXPECT_EQ(seen()[0].outputSize, c.system64Bit ? 8u : 4u);
  }
}

TEST_F(DriverClientTest, ReadMemClearsTheDestinationWhenTheRequestFailsOrComesShort) {
  LoadAndForget();
  const DeviceIoReply replies[] = {{false, 4}, {true, 3}};
  for (const DeviceIoReply& r : replies) {
    platform_.driver.reply = [&](uint32_t, std::span<const uint8_t>, std::span<uint8_t> output) {
      std::fill(output.begin(), output.end(), uint8_t{0xEE});
      return r;
    };
    std::array<uint8_t, 4> destination{1, 2, 3, 4};
    EXPECT_EQ(ReadMem(0xF8A00B00, 4, destination.data()), -2);
    EXPECT_EQ(destination, (std::array<uint8_t, 4>{}));
  }
}

TEST_F(DriverClientTest, WriteMemSendsTheBytesFirstByteLowestAndChecksTheCount) {
  LoadAndForget();
  const std::array<uint8_t, 4> source{0x9F, 0x01, 0x02, 0x03};
  EXPECT_EQ(WriteMem(0xF8A00B00, 1, source.data()), 0);
  EXPECT_EQ(seen()[0].input, MemInput(0xF8A00B00, 1, 0x9F));
  EXPECT_EQ(WriteMem(0xF8A00B00, 4, source.data()), 0);
  EXPECT_EQ(seen()[1].input, MemInput(0xF8A00B00, 4, 0x0302019F));
  platform_.driver.reply = [](uint32_t, std::span<const uint8_t>, std::span<uint8_t>) {
    return DeviceIoReply{true, 2};
  };
  EXPECT_EQ(WriteMem(0xF8A00B00, 4, source.data()), -2);
}

TEST_F(DriverClientTest, SetDebugLevelSucceedsOnlyWithFourBytesReturned) {
  LoadAndForget();
  uint32_t returned = 4;
  platform_.driver.reply = [&](uint32_t, std::span<const uint8_t>, std::span<uint8_t>) {
    return DeviceIoReply{true, returned};
  };
  EXPECT_EQ(SET_DEBUG_LEVEL(3), 0);
  EXPECT_EQ(seen().back().input, (std::vector<uint8_t>{3, 0, 0, 0}));
  returned = 0;
  EXPECT_EQ(SET_DEBUG_LEVEL(3), -2);
}

TEST_F(DriverClientTest, LoadCreatesStartsOpensAndSetsDebugLevelZero) {
  ASSERT_TRUE(LoadQorIODriver());
  EXPECT_TRUE(IsQorIODriverLoaded());
  ASSERT_EQ(seen().size(), 1u);
  EXPECT_EQ(seen()[0].code, qorio::kIoctlSetDebugLevel);
  EXPECT_EQ(seen()[0].input, (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(platform_.driver.starts, 1);
}

TEST_F(DriverClientTest, LoadReplacesAStaleServiceAndUnloadRemovesIt) {
  ASSERT_TRUE(platform_.services.CreateDriverService("QORIO", "/nowhere/stale.sys"));
  ASSERT_TRUE(LoadQorIODriver());
  EXPECT_TRUE(UnloadQorIODriver());
  EXPECT_FALSE(IsQorIODriverLoaded());
  EXPECT_EQ(platform_.driver.stops, 1);
  EXPECT_FALSE(UnloadQorIODriver()) << "no service left to delete";
}

TEST_F(DriverClientTest, LoadFailsCleanlyWhenTheDriverFileIsMissingOrTheDriverRefuses) {
  fs::remove(directory_ / "QorIo64.sys");
  EXPECT_FALSE(LoadQorIODriver());
  EXPECT_FALSE(IsQorIODriverLoaded());
  std::ofstream(directory_ / "qorio64.SYS") << "driver";  // names match without regard to case
  platform_.driver.startFails = true;
  EXPECT_FALSE(LoadQorIODriver());
  platform_.driver.startFails = false;
  EXPECT_TRUE(LoadQorIODriver());
}

TEST_F(DriverClientTest, A32BitSystemLoadsQorioSysMatchedWithoutRegardToCase) {
  platform_.system64Bit = false;
  fs::remove(directory_ / "QorIo64.sys");
  EXPECT_TRUE(LoadQorIODriver());
}

TEST_F(DriverClientTest, TheDriverFileIsLookedForInTheWorkingDirectoryByDefault) {
  SetQorIODriverDirectory({});
  const fs::path previous = fs::current_path();
  fs::current_path(directory_);
  EXPECT_TRUE(LoadQorIODriver());
  fs::current_path(previous);
}

TEST(DriverWithoutPlatform, LoadAndUnloadFail) {
  BindHardwarePlatform(nullptr);
  EXPECT_FALSE(LoadQorIODriver());
  EXPECT_FALSE(UnloadQorIODriver());
}

}  // namespace
}  // namespace tamsel
