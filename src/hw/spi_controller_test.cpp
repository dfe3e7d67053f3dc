#include "hw/spi_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/hardware_operations.h"
#include "platform/qorio_requests.h"
#include "platform/trace_capture.h"
#include "sim/scripted_spi_device.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

using sim::ScriptedSpiDevice;
using Event = ScriptedSpiDevice::Event;

constexpr uint32_t kFirstWindow = 0xF8A00000;  // the simulator's first mapping token

std::string OneController(const std::string& extra = "") {
  return R"({ "controllers": [ { "location": "03:00.0", "flash": { "size_kib": 4 })" + extra + " } ] }";
}

// A machine with stand-in chips, the driver loaded and controller 03:00.0 opened.
class WindowTest : public ::testing::Test {
 protected:
  void Open(const std::string& extra = "") {
    sim::TestMachineSetup setup;
    setup.machineJson = OneController(extra);
    setup.makeChip = ScriptedSpiDevice::Factory(chips_);
    machine_ = std::make_unique<sim::TestMachine>(setup);
    ASSERT_TRUE(machine_->loaded()) << machine_->error();
    ASSERT_TRUE(SpiControllerInit(3, 0, 0, controller_));
    chip().ClearEvents();
  }
  ScriptedSpiDevice& chip() { return *chips_.at(0); }
  sim::Machine& machine() { return machine_->machine(); }

  std::vector<ScriptedSpiDevice*> chips_;
  std::unique_ptr<sim::TestMachine> machine_;
  SpiController controller_;
};

TEST_F(WindowTest, InitFillsTheRecordMapsBarPlus1000AndClearsConfigBits1To3) {
  sim::TestMachineSetup setup;
  setup.machineJson = OneController(R"(, "device_id": "0x5845", "bar0": "0xFE200000")");
  setup.makeChip = ScriptedSpiDevice::Factory(chips_);
  sim::TestMachine machine(setup);
  ASSERT_TRUE(machine.loaded()) << machine.error();
  TraceCapture trace(3);
  SpiController controller;
  ASSERT_TRUE(SpiControllerInit(3, 0, 0, controller));
  EXPECT_EQ(controller.bus, 3);
  EXPECT_EQ(controller.vendorId, 0x1E9C);
  EXPECT_EQ(controller.deviceId, 0x5845);
  EXPECT_EQ(controller.barBase, 0xFE200000u);
  EXPECT_EQ(controller.window, kFirstWindow);
  EXPECT_EQ(machine.machine().Window(0).Read(0xB11), 0x01);
  ASSERT_EQ(trace.lines().size(), 2u);
  EXPECT_TRUE(trace.lines()[0].ends_with(": SpiControllerInit: PCIGetBusData ")) << trace.lines()[0];
  EXPECT_TRUE(trace.lines()[0].starts_with("MSG::SpiControllerInit:"));
  EXPECT_TRUE(trace.lines()[1].starts_with("MSG::MapMem:"));
  EXPECT_TRUE(trace.lines()[1].ends_with(": MapMem: Address is FE201000, Map Address F8A00000"))
      << trace.lines()[1];
}

struct BarCase {
  const char* bar0;
  bool opens;
  uint32_t barBase;
};

class SpiControllerInitBars : public ::testing::TestWithParam<BarCase> {};

TEST_P(SpiControllerInitBars, UseTheLowDwordWithBits1To3Cleared) {
  sim::TestMachine machine(OneController(std::string(R"(, "bar0": ")") + GetParam().bar0 + "\""));
  ASSERT_TRUE(machine.loaded()) << machine.error();
  TraceCapture trace(3);
  SpiController controller;
  EXPECT_EQ(SpiControllerInit(3, 0, 0, controller), GetParam().opens);
  EXPECT_EQ(controller.barBase, GetParam().barBase);
  EXPECT_EQ(controller.window != 0, GetParam().opens);
  EXPECT_EQ(machine.machine().OpenMappings(), GetParam().opens ? 1u : 0u);
  EXPECT_EQ(trace.Contains("SpiControllerInit: baseaddress is 0 "), GetParam().barBase == 0);
}

INSTANTIATE_TEST_SUITE_P(Bars, SpiControllerInitBars,
                         ::testing::Values(BarCase{"0x0", false, 0}, BarCase{"0x8", false, 0},
                                           BarCase{"0xF000000C", true, 0xF0000000},
                                           BarCase{"0xF0000000", true, 0xF0000000}));

TEST(SpiControllerInitFailure, AFailedMappingReturnsFalseAfterTheTraceLine) {
  sim::TestMachine machine(OneController());
  ASSERT_TRUE(machine.loaded()) << machine.error();
  while (MapMem(0xF0001000) != 0) {
  }  // every mapping the driver has is in use
  TraceCapture trace(3);
  SpiController controller;
  EXPECT_FALSE(SpiControllerInit(3, 0, 0, controller));
  EXPECT_EQ(controller.window, 0u);
  EXPECT_TRUE(trace.Contains("MapMem: Address is F0001000, Map Address 00000000"));
}

TEST_F(WindowTest, AControllerInD3IsBroughtToD0WithCommandRegister6) {
  Open(R"(, "power_state": 3)");  // init already ran EnsureD0 before its register accesses
  sim::PciFunction& function = machine().ControllerFunction(0);
  EXPECT_EQ(function.PowerState(), 0);
  EXPECT_EQ(function.ReadConfig(0x04), 0x06);

  function.DropToD3();
  machine_->StartRecording();
  SpiControllerEnsureD0(controller_);
  const auto requests = machine_->StopRecording();
  EXPECT_EQ(function.PowerState(), 0);
  EXPECT_EQ(function.ReadConfig(0x04), 0x06);
  std::vector<std::pair<uint32_t, uint32_t>> dataWrites;  // port, value
  for (const auto& r : requests) {
    const uint32_t port = qorio::LoadLe32(&r.input[12]);
    if (r.code == qorio::kIoctlSetPort && port != 0xCF8)
      dataWrites.push_back({port, qorio::LoadLe32(&r.input[20])});
  }
  EXPECT_EQ(dataWrites, (std::vector<std::pair<uint32_t, uint32_t>>{{0xCFC, 0x00}, {0xCFC, 0x06}}));
}

TEST_F(WindowTest, ADropToD3BetweenAccessesIsUndoneBeforeTheNextAccess) {
  Open(R"(, "faults": { "d3_after": 3 })");
  chip().Answer({0x11, 0x22, 0x33, 0x44});
  std::array<uint8_t, 4> data{};
  machine_->StartRecording();
  ASSERT_TRUE(SpiControllerRead(controller_, data.data(), 4));
  EXPECT_EQ(data, (std::array<uint8_t, 4>{0x11, 0x22, 0x33, 0x44}));
  int powerStateWrites = 0;
  for (const auto& r : machine_->StopRecording()) {
    if (r.code == qorio::kIoctlSetPort && qorio::LoadLe32(&r.input[12]) == 0xCFC) ++powerStateWrites;
  }
  EXPECT_EQ(powerStateWrites, 2) << "the drop was undone once: D0, then the command register";
}

TEST_F(WindowTest, WithoutEnsureD0ADroppedControllerReadsAllOnes) {
  Open();
  machine().ControllerFunction(0).DropToD3();
  uint8_t control = 0;
  ReadMem(controller_.window + kSpiControlRegister, 1, &control);
  EXPECT_EQ(control, 0xFF) << "a function in D3 does not decode memory";
}

TEST_F(WindowTest, ACapabilityListWithoutPowerManagementEndsWithoutWrites) {
  Open(R"(, "power_management": false)");
  machine_->StartRecording();
  SpiControllerEnsureD0(controller_);
  const auto requests = machine_->StopRecording();
  // Pointer, then id and next pointer of the two capabilities (MSI, PCI Express).
  EXPECT_EQ(requests.size(), 2u * 5u);
  for (const auto& r : requests) {
    if (r.code == qorio::kIoctlSetPort) {
      EXPECT_EQ(qorio::LoadLe32(&r.input[12]), 0xCF8u);
    }
  }
}

// Functions whose power-state walk never ends: one that stopped answering
// (every configuration byte reads 0xFF, so the list points at 0xFF, whose
// next pointer is byte 0x00, 0xFF again, ...) and lists that loop.
struct EndlessWalk {
  const char* name;
  const char* controller;  // extra keys of the controller
  void (*breakFunction)(sim::PciFunction& function);
};

const EndlessWalk kEndlessWalks[] = {
    {"stopped answering", "", [](sim::PciFunction& f) { f.StopAnswering(); }},
    {"list loops without power management", R"(, "power_management": false)",
     [](sim::PciFunction& f) { f.StoreConfigByte(0x81, 0x50); }},  // PCI Express points back to MSI
    {"first entry points at itself", "", [](sim::PciFunction& f) { f.StoreConfigByte(0x51, 0x50); }},
};

TEST(SpiControllerEndlessWalk, EnsureD0GivesUpAfter48EntriesWithoutWriting) {
  for (const EndlessWalk& c : kEndlessWalks) {
    SCOPED_TRACE(c.name);
    sim::TestMachine machine(OneController(c.controller));
    ASSERT_TRUE(machine.loaded()) << machine.error();
    SpiController controller;
    ASSERT_TRUE(SpiControllerInit(3, 0, 0, controller));
    c.breakFunction(machine.machine().ControllerFunction(0));
    machine.StartRecording();
    EXPECT_FALSE(SpiControllerEnsureD0(controller));
    const auto requests = machine.StopRecording();
    // The pointer, then the id and the next pointer of 48 entries: two requests each.
    EXPECT_LE(requests.size(), 2u * (1 + 2 * 48));
    for (const auto& r : requests) {
      if (r.code == qorio::kIoctlSetPort) {
        EXPECT_EQ(qorio::LoadLe32(&r.input[12]), 0xCF8u) << "no configuration byte is written";
      }
    }
  }
}

TEST(SpiControllerEndlessWalk, TheWindowFailsToOpenAndIsUnmappedAgain) {
  for (const EndlessWalk& c : kEndlessWalks) {
    SCOPED_TRACE(c.name);
    sim::TestMachine machine(OneController(c.controller));
    ASSERT_TRUE(machine.loaded()) << machine.error();
    c.breakFunction(machine.machine().ControllerFunction(0));
    SpiController controller;
    // A function that stopped answering reads BAR0 as all ones: no mapping is even made.
    EXPECT_FALSE(SpiControllerInit(3, 0, 0, controller));
    EXPECT_EQ(controller.window, 0u);
    EXPECT_EQ(machine.machine().OpenMappings(), 0u);
  }
}

TEST(SpiControllerEndlessWalk, AControllerThatStopsAnsweringWhileOpeningIsClosedAgain) {
  // It drops off the bus after its first register access: reading SpiConfig.
  sim::TestMachine machine(OneController(R"(, "faults": { "vanish_after": 1 })"));
  ASSERT_TRUE(machine.loaded()) << machine.error();
  TraceCapture trace(1);
  SpiController controller;
  EXPECT_FALSE(SpiControllerInit(3, 0, 0, controller));
  EXPECT_EQ(controller.window, 0u);
  EXPECT_EQ(machine.machine().OpenMappings(), 0u);
  EXPECT_EQ(machine.machine().AccessCounts(0).writes, 0u) << "SpiConfig is not written back";
  EXPECT_TRUE(trace.Contains("SpiControllerInit: the power-state check did not end"));
}

TEST_F(WindowTest, TransfersOfZeroOrFiveBytesAreRefusedWithoutStarting) {
  Open();
  std::array<uint8_t, 8> data{};
  for (uint32_t count : {0u, 5u}) {
    const uint64_t writesBefore = machine().AccessCounts(0).writes;
    EXPECT_FALSE(SpiControllerRead(controller_, data.data(), count));
    EXPECT_FALSE(SpiControllerWrite(controller_, data.data(), count));
    EXPECT_EQ(machine().AccessCounts(0).writes, writesBefore);
  }
  EXPECT_TRUE(chip().events().empty());
}

TEST_F(WindowTest, AReadOfThreeBytesReturnsDataBytes0To2) {
  Open();
  SpiControllerSelect(controller_);
  chip().Answer({0xEF, 0x30, 0x13, 0x99});
  std::array<uint8_t, 4> data{0, 0, 0, 0x55};
  ASSERT_TRUE(SpiControllerRead(controller_, data.data(), 3));
  EXPECT_EQ(data, (std::array<uint8_t, 4>{0xEF, 0x30, 0x13, 0x55}));
}

TEST_F(WindowTest, ACommandHoldsTheChipSelectAcrossTransfers) {
  Open();
  const std::array<uint8_t, 4> command{0x03, 0x01, 0x02, 0x03};
  std::array<uint8_t, 4> data{};
  chip().Answer({0, 0, 0, 0, 0xAA, 0xBB});
  SpiControllerSelect(controller_);
  ASSERT_TRUE(SpiControllerWrite(controller_, command.data(), 4));
  ASSERT_TRUE(SpiControllerRead(controller_, data.data(), 2));
  SpiControllerDeselect(controller_);
  const std::vector<Event> expected{{Event::Kind::kSelect},     {Event::Kind::kByte, 0x03},
                                    {Event::Kind::kByte, 0x01}, {Event::Kind::kByte, 0x02},
                                    {Event::Kind::kByte, 0x03}, {Event::Kind::kByte, 0x00},
                                    {Event::Kind::kByte, 0x00}, {Event::Kind::kDeselect}};
  EXPECT_EQ(chip().events(), expected);
  EXPECT_EQ(data[0], 0xAA);
  EXPECT_EQ(data[1], 0xBB);
}

TEST_F(WindowTest, SelectAndDeselectChangeOnlyBit4) {
  Open();
  sim::ControllerWindow& window = machine().Window(0);
  window.Write(0xB04, 0x13);  // released, count 3
  SpiControllerSelect(controller_);
  EXPECT_EQ(window.Read(0xB04), 0x03);
  SpiControllerDeselect(controller_);
  EXPECT_EQ(window.Read(0xB04), 0x13);
}

TEST_F(WindowTest, ABusyBitThatNeverClearsTimesOutAfter1000VirtualMilliseconds) {
  Open(R"(, "faults": { "busy": true })");
  std::array<uint8_t, 4> data{};
  const uint32_t start = GetTickCountMs();
  EXPECT_FALSE(SpiControllerRead(controller_, data.data(), 1));  // started, never completes
  const uint32_t afterFirst = GetTickCountMs();
  EXPECT_GE(afterFirst - start, 1000u);
  EXPECT_LT(afterFirst - start, 1010u);
  EXPECT_FALSE(SpiControllerWrite(controller_, data.data(), 1));  // busy before it starts
  EXPECT_GE(GetTickCountMs() - afterFirst, 1000u);
  EXPECT_EQ(chip().events().size(), 2u) << "only the first transfer reached the wire (select and one byte)";
}

// The exact requests of a configuration read and a 4-byte SPI read transfer.
struct Expected {
  uint32_t code;
  std::vector<uint8_t> input;
  uint32_t outputSize;
  uint32_t bytesReturned;
};

std::vector<uint8_t> Bytes(std::span<const uint8_t> bytes) {
  return {bytes.begin(), bytes.end()};
}

void AddConfigRead(std::vector<Expected>& out, uint8_t bus, uint8_t offset) {
  out.push_back({qorio::kIoctlSetPort,
                 Bytes(qorio::Encode(qorio::PortRecord{0xCF8, 4, qorio::ConfigAddress(bus, 0, 0, offset)})),
                 0, 0});
  out.push_back(
      {qorio::kIoctlGetPort, Bytes(qorio::Encode(qorio::PortRecord{0xCFCu + (offset & 3u), 1, 0})), 4, 4});
}

void AddEnsureD0(std::vector<Expected>& out) {
  for (uint8_t offset : {uint8_t{0x34}, uint8_t{0x50}, uint8_t{0x51}, uint8_t{0x78}, uint8_t{0x7C}}) {
    AddConfigRead(out, 3, offset);
  }
}

void ExpectRequests(const std::vector<sim::RecordedRequest>& seen, const std::vector<Expected>& expected) {
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE("request " + std::to_string(i));
    EXPECT_EQ(seen[i].code, expected[i].code);
    EXPECT_EQ(seen[i].input, expected[i].input);
    EXPECT_EQ(seen[i].outputSize, expected[i].outputSize);
    EXPECT_TRUE(seen[i].succeeded);
    EXPECT_EQ(seen[i].bytesReturned, expected[i].bytesReturned);
  }
}

TEST_F(WindowTest, TheRequestProtocolOfAConfigurationRead) {
  Open();
  machine_->StartRecording();
  EXPECT_EQ(PciReadConfigByte(3, 0, 0, 0x03), 0x58);
  std::vector<Expected> expected;
  AddConfigRead(expected, 3, 0x03);
  ExpectRequests(machine_->StopRecording(), expected);
}

TEST_F(WindowTest, TheRequestProtocolOfAFourByteSpiReadTransfer) {
  Open();
  machine_->StartRecording();
  std::array<uint8_t, 4> data{};
  ASSERT_TRUE(SpiControllerRead(controller_, data.data(), 4));
  const uint32_t control = kFirstWindow + kSpiControlRegister;
  std::vector<Expected> expected;
  AddEnsureD0(expected);
  expected.push_back({qorio::kIoctlReadMem, Bytes(qorio::Encode(qorio::MemRecord{control, 1, 0})), 1, 1});
  AddEnsureD0(expected);
  expected.push_back({qorio::kIoctlWriteMem, Bytes(qorio::Encode(qorio::MemRecord{control, 1, 0x24})), 0, 1});
  AddEnsureD0(expected);
  expected.push_back({qorio::kIoctlReadMem, Bytes(qorio::Encode(qorio::MemRecord{control, 1, 0})), 1, 1});
  AddEnsureD0(expected);
  expected.push_back({qorio::kIoctlReadMem,
                      Bytes(qorio::Encode(qorio::MemRecord{kFirstWindow + kSpiDataRegister, 4, 0})), 4, 4});
  ExpectRequests(machine_->StopRecording(), expected);
}

}  // namespace
}  // namespace tamsel
