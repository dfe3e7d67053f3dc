// The test driver's fake machine behind the dispatcher, driven by the
// program's own hardware routines exactly as they run against the test
// driver on Windows: the scan finds the controller with its version bytes,
// and the inventory takes the SPI grant, reads the flash chip's ID through
// the window and unmaps it again.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/scratch_directory.h"
#include "hw/device_table.h"
#include "hw/hardware_operations.h"
#include "platform/hardware_platform.h"
#include "platform/in_process_service_registry.h"
#include "platform/qorio_requests.h"
#include "run/device_inventory.h"

extern "C" {
#include "qorio_dispatch.h"
#include "qorio_fake_machine.h"
}

namespace tamsel {
namespace {

// The dispatcher with the fake machine's back end, as the in-process driver
// of a running service: starting it opens the one handle's session.
class FakeMachineDriver final : public InProcessDriver, public DeviceIoEnd {
 public:
  explicit FakeMachineDriver(uint32_t mapReplySize) {
    qorio_fake_machine_init(&machine_);
    backend_ = qorio_fake_machine_backend(&machine_, mapReplySize);
  }
  ~FakeMachineDriver() override { qorio_session_close(&backend_, &session_); }

  bool Start(std::string&) override {
    qorio_session_open(&session_);
    return true;
  }
  void Stop() override { qorio_session_close(&backend_, &session_); }
  DeviceIoEnd& Device() override { return *this; }

  DeviceIoReply DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                std::span<uint8_t> output) override {
    const qorio_reply reply =
        qorio_dispatch(&backend_, &session_, code, input.data(), static_cast<uint32_t>(input.size()),
                       output.data(), static_cast<uint32_t>(output.size()));
    return {reply.outcome == QORIO_DONE, reply.bytes_returned};
  }

  std::size_t OpenWindows() const {
    std::size_t open = 0;
    for (const qorio_window& window : session_.windows.slots) open += window.mapping != nullptr ? 1 : 0;
    return open;
  }
  uint8_t Grant() const { return machine_.pages[1].bytes[0xB06]; }

 private:
  qorio_fake_machine machine_{};
  qorio_backend backend_{};
  qorio_session session_{};
};

class FakeMachinePlatform final : public HardwarePlatform {
 public:
  explicit FakeMachinePlatform(bool system64Bit) : driver(system64Bit ? 8 : 4), system64Bit_(system64Bit) {}
  DriverServiceControl& Services() override { return services_; }
  TickClock& Ticks() override { return SteadyTickClock(); }
  bool IsSystem64Bit() const override { return system64Bit_; }
  std::string InstanceLockName() const override { return {}; }

  FakeMachineDriver driver;

 private:
  InProcessServiceRegistry services_{driver, qorio::kDevicePath};
  bool system64Bit_;
};

// On a 32-bit and a 64-bit system: map replies of 4 and 8 bytes.
class FakeMachineThroughTheProgram : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    directory_.Write("QorIo.sys", "driver");
    directory_.Write("QorIo64.sys", "driver");
    BindHardwarePlatform(&platform_);
    SetQorIODriverDirectory(directory_.dir());
    ASSERT_TRUE(LoadQorIODriver());
  }
  void TearDown() override {
    UnloadQorIODriver();
    BindHardwarePlatform(nullptr);
    SetQorIODriverDirectory({});
  }

  ScratchDirectory directory_;
  FakeMachinePlatform platform_{GetParam()};
};

TEST_P(FakeMachineThroughTheProgram, TheScanFindsTheOneControllerWithItsVersionBytes) {
  DeviceTable table;
  Scan584Dev(table);
  ASSERT_EQ(table.uc584Host, 1);
  const DeviceSlot& slot = table.slots[0];
  EXPECT_EQ(slot.bus, QORIO_FAKE_CONTROLLER_BUS);
  EXPECT_EQ(slot.device, 0);
  EXPECT_EQ(slot.function, 0);
  const std::array<uint8_t, 8> version = QORIO_FAKE_VERSION_BYTES;
  EXPECT_EQ(slot.fwVersionRegs, version);
}

TEST_P(FakeMachineThroughTheProgram, TheInventoryReadsTheFlashChipThroughTheWindowAndUnmapsIt) {
  DeviceTable table;
  Scan584Dev(table);
  ASSERT_EQ(table.uc584Host, 1);
  DeviceSlot& slot = table.slots[0];
  ReadSPIROM(slot);
  EXPECT_STREQ(slot.chipNameText.data(), "MX25L4006E");
  EXPECT_STREQ(slot.capacityText.data(), " 512 kb");
  EXPECT_EQ(slot.flash.desc.manufacturerId, 0xC2);
  EXPECT_EQ(platform_.driver.OpenWindows(), 0u);
  EXPECT_EQ(platform_.driver.Grant(), 0u) << "the grant is released";
}

TEST_P(FakeMachineThroughTheProgram, TheControllersPowerStateAndCommandRegisterAreWritable) {
  constexpr uint8_t kPowerState = 0x44;
  ASSERT_TRUE(PciWriteConfigByte(QORIO_FAKE_CONTROLLER_BUS, 0, 0, kPowerState, 0x03));
  EXPECT_EQ(PciReadConfigByte(QORIO_FAKE_CONTROLLER_BUS, 0, 0, kPowerState), 0x03);
  SpiController controller;
  ASSERT_TRUE(SpiControllerInit(QORIO_FAKE_CONTROLLER_BUS, 0, 0, controller));
  SpiControllerEnsureD0(controller);
  EXPECT_EQ(PciReadConfigByte(QORIO_FAKE_CONTROLLER_BUS, 0, 0, kPowerState), 0x00);
  EXPECT_EQ(PciReadConfigByte(QORIO_FAKE_CONTROLLER_BUS, 0, 0, 0x04), 0x06);
  UnmapMem(controller.window);
  EXPECT_EQ(platform_.driver.OpenWindows(), 0u);
}

INSTANTIATE_TEST_SUITE_P(SystemWidths, FakeMachineThroughTheProgram, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& width) {
                           return std::string(width.param ? "System64Bit" : "System32Bit");
                         });

}  // namespace
}  // namespace tamsel
