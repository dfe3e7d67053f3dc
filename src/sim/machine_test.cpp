#include "sim/machine.h"

#include <gtest/gtest.h>

#include "platform/qorio_requests.h"
#include "sim/scripted_spi_device.h"

namespace tamsel::sim {
namespace {

// The machine as a device end, driven with raw requests.
class MachineRequests : public ::testing::Test {
 protected:
  void Build(MachineDescription description) {
    std::vector<std::unique_ptr<FlashStorage>> storages;
    for (std::size_t i = 0; i < description.controllers.size(); ++i)
      storages.push_back(std::make_unique<MemoryFlashStorage>(4096));
    machine_ = std::make_unique<Machine>(std::move(description), std::move(storages),
                                         ScriptedSpiDevice::Factory(chips_));
  }
  // A controller at 03:00.0 whose BAR0 is 0xFE000000.
  static ControllerDescription Controller() {
    ControllerDescription controller;
    controller.location = {3, 0, 0};
    controller.bar0 = 0xFE000000;
    return controller;
  }
  void SetUp() override {
    MachineDescription description;
    description.controllers.push_back(Controller());
    DeviceDescription bridge;
    bridge.location = {0, 0, 0};
    bridge.vendorId = 0x8086;
    bridge.deviceId = 0x1237;
    description.devices.push_back(bridge);
    Build(description);
  }

  DeviceIoReply Port(uint32_t code, uint32_t port, uint32_t width, uint32_t value, uint32_t& out) {
    const auto input = qorio::Encode(qorio::PortRecord{port, width, value});
    std::array<uint8_t, 4> output{};
    const DeviceIoReply reply = machine_->DeviceIoControl(
        code, input, code == qorio::kIoctlGetPort ? std::span(output) : std::span<uint8_t>());
    out = qorio::LoadLe32(output.data());
    return reply;
  }
  uint32_t ConfigRead(uint32_t address, uint32_t port, uint32_t width = 1) {
    uint32_t out = 0;
    Port(qorio::kIoctlSetPort, 0xCF8, 4, address, out);
    EXPECT_TRUE(Port(qorio::kIoctlGetPort, port, width, 0, out).succeeded);
    return out;
  }
  DeviceIoReply Mem(uint32_t code, uint32_t address, uint32_t length, uint32_t value,
                    std::span<uint8_t> output) {
    const auto input = qorio::Encode(qorio::MemRecord{address, length, value});
    return machine_->DeviceIoControl(code, input, output);
  }
  uint32_t Map(uint32_t physical) {
    std::array<uint8_t, 8> output{};
    const DeviceIoReply reply = Mem(qorio::kIoctlMap, physical, 0x1000, 0, output);
    return reply.succeeded && reply.bytesReturned == 8 ? qorio::LoadLe32(output.data()) : 0;
  }

  std::vector<ScriptedSpiDevice*> chips_;
  std::unique_ptr<Machine> machine_;
};

TEST_F(MachineRequests, ConfigurationMechanismOneReadsLanesAndAbsentFunctionsReadOnes) {
  EXPECT_EQ(ConfigRead(0x80030000, 0xCFC) & 0xFF, 0x9Cu);
  EXPECT_EQ(ConfigRead(0x80030000, 0xCFD) & 0xFF, 0x1Eu);
  EXPECT_EQ(ConfigRead(0x80030000, 0xCFE) & 0xFF, 0x44u);
  EXPECT_EQ(ConfigRead(0x80030000, 0xCFC, 4), 0x58441E9Cu);
  EXPECT_EQ(ConfigRead(0x80030010, 0xCFF) & 0xFF, 0xFEu);
  EXPECT_EQ(ConfigRead(0x80040000, 0xCFC) & 0xFF, 0xFFu) << "no function at 04:00.0";
  EXPECT_EQ(ConfigRead(0x00030000, 0xCFC) & 0xFF, 0xFFu) << "enable bit clear";
  uint32_t out = 0;
  Port(qorio::kIoctlGetPort, 0xCF8, 4, 0, out);
  EXPECT_EQ(out, 0x00030000u) << "the address port reads back";
}

TEST_F(MachineRequests, EveryRequestAdvancesTheVirtualClockByItsLatency) {
  const uint64_t start = machine_->Clock().NowNs();
  ConfigRead(0x80030000, 0xCFC);
  EXPECT_EQ(machine_->Clock().NowNs() - start, 2000u);
  const uint32_t window = Map(0xFE001000);
  const uint64_t mapped = machine_->Clock().NowNs();
  std::array<uint8_t, 4> data{};
  Mem(qorio::kIoctlReadMem, window + 0xB04, 1, 0, data);
  EXPECT_EQ(machine_->Clock().NowNs() - mapped, 1000u);
  Mem(qorio::kIoctlWriteMem, window + 0xB04, 1, 0x10, {});
  EXPECT_EQ(machine_->Clock().NowNs() - mapped, 1250u);
  EXPECT_EQ(machine_->RequestCount(), 5u);
}

TEST_F(MachineRequests, MapsOnlyWindowsInsideAControllersBar) {
  EXPECT_NE(Map(0xFE001000), 0u);
  EXPECT_NE(Map(0xFE00F000), 0u) << "the last page of the 64 KiB BAR";
  EXPECT_EQ(Map(0xFE00F800), 0u) << "runs past the BAR";
  EXPECT_EQ(Map(0xFD000000), 0u) << "not a BAR";
  EXPECT_EQ(Map(0x00000000), 0u);
  std::array<uint8_t, 8> output{};
  EXPECT_FALSE(Mem(qorio::kIoctlMap, 0xFE001000, 0x2000, 0, output).succeeded) << "only 4 KiB windows";
  EXPECT_EQ(machine_->OpenMappings(), 2u);
}

TEST_F(MachineRequests, MemoryRequestsOnlyInsideAMappedWindow) {
  const uint32_t window = Map(0xFE001000);
  std::array<uint8_t, 4> data{};
  EXPECT_TRUE(Mem(qorio::kIoctlReadMem, window + 0xFFC, 4, 0, data).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, window + 0xFFE, 4, 0, data).succeeded) << "crosses the window's end";
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, window + 0x1000, 1, 0, data).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, 0x12345678, 1, 0, data).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, window, 5, 0, data).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlUnmap, window + 4, 0x1000, 0, {}).succeeded);
  EXPECT_TRUE(Mem(qorio::kIoctlUnmap, window, 0x1000, 0, {}).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, window, 1, 0, data).succeeded) << "unmapped";
  EXPECT_EQ(machine_->OpenMappings(), 0u);
}

TEST_F(MachineRequests, AWindowAtAnOtherPageOfTheBarReachesTheRightRegisters) {
  const uint32_t bar = Map(0xFE000000);  // the window register block is one page further
  std::array<uint8_t, 4> data{};
  Mem(qorio::kIoctlWriteMem, bar + 0x1B11, 1, 0, {});
  ASSERT_FALSE(Mem(qorio::kIoctlWriteMem, bar + 0x1B11, 1, 0, {}).succeeded) << "outside the 4 KiB mapping";
  const uint32_t window = Map(0xFE001000);
  Mem(qorio::kIoctlReadMem, window + 0xB11, 1, 0, data);
  EXPECT_EQ(data[0], 0x0F);
  Mem(qorio::kIoctlReadMem, bar + 0xB11, 1, 0, data);
  EXPECT_EQ(data[0], 0x00) << "BAR memory below the window reads zeros";
}

TEST_F(MachineRequests, ThirtyTwoBitSystemsReplyWithFourBytes) {
  MachineDescription description = machine_->Description();
  description.system64Bit = false;
  Build(description);
  std::array<uint8_t, 4> output{};
  const DeviceIoReply reply = Mem(qorio::kIoctlMap, 0xFE001000, 0x1000, 0, output);
  EXPECT_TRUE(reply.succeeded);
  EXPECT_EQ(reply.bytesReturned, 4u);
}

TEST_F(MachineRequests, UnknownCodesAndShortRecordsFail) {
  std::array<uint8_t, 4> output{};
  EXPECT_FALSE(machine_->DeviceIoControl(0x80002010, {}, output).succeeded);
  const std::array<uint8_t, 11> shortRecord{};
  EXPECT_FALSE(machine_->DeviceIoControl(qorio::kIoctlReadMem, shortRecord, output).succeeded);
  EXPECT_FALSE(machine_->DeviceIoControl(qorio::kIoctlGetPort, shortRecord, output).succeeded);
  const std::array<uint8_t, 4> level{};
  EXPECT_EQ(machine_->DeviceIoControl(qorio::kIoctlSetDebugLevel, level, {}).bytesReturned, 4u);
}

TEST_F(MachineRequests, LeavingD3ResetsTheCommandRegister) {
  PciFunction& function = machine_->ControllerFunction(0);
  EXPECT_EQ(function.ReadConfig(0x04), 0x06);
  function.DropToD3();
  EXPECT_FALSE(function.DecodesMemory());
  function.WriteConfig(0x7C, 0x00);
  EXPECT_EQ(function.PowerState(), 0);
  EXPECT_FALSE(function.DecodesMemory()) << "memory decoding stays off until software enables it";
  function.WriteConfig(0x04, 0x06);
  EXPECT_TRUE(function.DecodesMemory());
  function.WriteConfig(0x00, 0x12);
  EXPECT_EQ(function.ReadConfig(0x00), 0x9C) << "IDs are read-only";
}

TEST_F(MachineRequests, AControllerThatVanishesAfterNAccessesReadsAllOnesFromThenOn) {
  MachineDescription description;
  description.controllers.push_back(Controller());
  description.controllers[0].vanishAfter = 2;
  Build(description);
  const uint32_t window = Map(0xFE001000);
  ASSERT_NE(window, 0u);
  std::array<uint8_t, 4> data{};
  ASSERT_TRUE(Mem(qorio::kIoctlWriteMem, window + 0xB11, 1, 0x5A, {}).succeeded);
  ASSERT_TRUE(Mem(qorio::kIoctlReadMem, window + 0xB11, 1, 0, data).succeeded);
  EXPECT_EQ(data[0], 0x5A) << "still answering for its first two accesses";

  EXPECT_TRUE(Mem(qorio::kIoctlReadMem, window + 0xB11, 1, 0, data).succeeded);
  EXPECT_EQ(data[0], 0xFF) << "a master abort";
  EXPECT_EQ(ConfigRead(0x80030000, 0xCFC, 4), 0xFFFFFFFFu) << "gone from the bus";
  EXPECT_EQ(ConfigRead(0x80030034, 0xCFC) & 0xFF, 0xFFu);
  uint32_t out = 0;
  Port(qorio::kIoctlSetPort, 0xCF8, 4, 0x80030004, out);
  Port(qorio::kIoctlSetPort, 0xCFC, 1, 0x06, out);
  EXPECT_EQ(ConfigRead(0x80030004, 0xCFC) & 0xFF, 0xFFu) << "writes are lost";
  EXPECT_EQ(Map(0xFE002000), 0u) << "its BAR no longer decodes";
}

}  // namespace
}  // namespace tamsel::sim
