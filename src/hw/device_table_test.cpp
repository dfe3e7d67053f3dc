#include "hw/device_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/hardware_operations.h"
#include "platform/qorio_requests.h"
#include "platform/trace_capture.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

std::string Controller(const std::string& location, const std::string& deviceId = "0x5844",
                       const std::string& extra = "") {
  return R"({ "location": ")" + location + R"(", "device_id": ")" + deviceId +
         R"(", "flash": { "size_kib": 4 })" + extra + " }";
}

std::string Device(const std::string& location, const std::string& vendorId, bool multifunction = false) {
  return R"({ "location": ")" + location + R"(", "vendor_id": ")" + vendorId + R"(", "device_id": "0x1234")" +
         (multifunction ? R"(, "multifunction": true)" : "") + " }";
}

std::string Machine(const std::vector<std::string>& controllers,
                    const std::vector<std::string>& devices = {}) {
  auto join = [](const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ",\n") + item;
    return text;
  };
  return "{ \"controllers\": [" + join(controllers) + "],\n \"devices\": [" + join(devices) + "] }";
}

struct Location {
  uint8_t bus, device, function;
  bool operator==(const Location&) const = default;
};

std::vector<Location> Scan() {
  DeviceTable table;
  Scan584Dev(table);
  std::vector<Location> found;
  for (uint8_t i = 0; i < table.uc584Host; ++i) {
    found.push_back({table.slots[i].bus, table.slots[i].device, table.slots[i].function});
  }
  return found;
}

struct ScanCase {
  const char* name;
  std::string machine;
  std::vector<Location> expected;
};

class Scan584DevCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scan584DevCases, FindsExactlyTheReachableSupportedControllers) {
  sim::TestMachine machine(GetParam().machine);
  ASSERT_TRUE(machine.loaded()) << machine.error();
  EXPECT_EQ(Scan(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, Scan584DevCases,
    ::testing::Values(ScanCase{"SingleFunctionDeviceHidesItsOtherFunctions",
                               Machine({Controller("05:00.0"), Controller("05:00.1")}),
                               {{5, 0, 0}}},
                      ScanCase{"ControllerBehindFunctionTwoOfAMultiFunctionDevice",
                               Machine({Controller("00:1f.2")}, {Device("00:1f.0", "0x8086", true)}),
                               {{0, 0x1F, 2}}},
                      ScanCase{
                          "DeviceWithoutFunctionZeroIsSkippedWhole", Machine({Controller("07:02.2")}), {}},
                      ScanCase{"AbsentFunctionInsideAMultiFunctionDeviceDoesNotEndIt",
                               Machine({Controller("02:00.5")},
                                       {Device("02:00.0", "0x8086", true), Device("02:00.3", "0xFFFF")}),
                               {{2, 0, 5}}},
                      ScanCase{"MultiFunctionControllerAndItsSiblings",
                               Machine({Controller("0a:00.0", "0x5832", R"(, "multifunction": true)"),
                                        Controller("0a:00.1", "0x5846")}),
                               {{10, 0, 0}, {10, 0, 1}}},
                      ScanCase{"EverySupportedIdIsFoundAndOthersAreNot",
                               Machine({Controller("01:00.0", "0x5832"), Controller("02:00.0", "0x5834"),
                                        Controller("03:00.0", "0x5833"), Controller("04:00.0", "0x5845"),
                                        Controller("05:00.0", "0x5846"), Controller("ff:1f.0", "0x5844")},
                                       {Device("06:00.0", "0x1E9D")}),
                               {{1, 0, 0}, {2, 0, 0}, {4, 0, 0}, {5, 0, 0}, {0xFF, 0x1F, 0}}}),
    [](const ::testing::TestParamInfo<ScanCase>& scanCase) { return scanCase.param.name; });

TEST(Scan584Dev, KeepsTheFirstSixteenControllersAndStopsWalking) {
  std::vector<std::string> controllers;
  std::vector<Location> expected;
  for (uint8_t bus = 1; bus <= 17; ++bus) {
    char location[16];
    std::snprintf(location, sizeof location, "%02x:00.0", bus);
    controllers.push_back(Controller(location));
    if (bus <= 16) expected.push_back({bus, 0, 0});
  }
  sim::TestMachine machine(Machine(controllers));
  ASSERT_TRUE(machine.loaded()) << machine.error();
  machine.StartRecording();
  EXPECT_EQ(Scan(), expected);
  const std::vector<sim::RecordedRequest> requests = machine.StopRecording();
  for (const sim::RecordedRequest& request : requests) {
    if (request.code != qorio::kIoctlSetPort || qorio::LoadLe32(&request.input[12]) != 0xCF8) continue;
    const uint32_t bus = qorio::LoadLe32(&request.input[20]) >> 16 & 0xFF;
    ASSERT_LE(bus, 16u) << "the walk went on after the sixteenth controller";
  }
}

TEST(Scan584Dev, ReadsTheVersionRegistersAndTracesEachFind) {
  sim::TestMachine machine(
      Machine({Controller("03:00.0", "0x5845", R"(, "fw_version": "25 06 13 00 BC 00 11 22")")}));
  ASSERT_TRUE(machine.loaded()) << machine.error();
  TraceCapture trace(3);
  DeviceTable table;
  Scan584Dev(table);
  ASSERT_EQ(table.uc584Host, 1);
  EXPECT_EQ(table.slots[0].fwVersionRegs,
            (std::array<uint8_t, 8>{0x25, 0x06, 0x13, 0x00, 0xBC, 0x00, 0x11, 0x22}));
  ASSERT_EQ(trace.lines().size(), 1u);
  EXPECT_TRUE(trace.lines()[0].starts_with("MSG::CTamselDlg::Scan584Dev:")) << trace.lines()[0];
  EXPECT_TRUE(trace.lines()[0].ends_with(": Scan584Dev: i 03 uc584Host 01 584 devices, bus 03 dev 00 fun 00"))
      << trace.lines()[0];
}

TEST(Scan584Dev, RescanWithFewerDevicesClearsTheSlotsBeyondTheCount) {
  DeviceTable table;
  {
    sim::TestMachine machine(Machine({Controller("01:00.0"), Controller("02:00.0"), Controller("03:00.0")}));
    ASSERT_TRUE(machine.loaded()) << machine.error();
    Scan584Dev(table);
    ASSERT_EQ(table.uc584Host, 3);
    for (DeviceSlot& slot : table.slots) {
      SetSlotText(slot.chipNameText, "W25X40CL");
      SetSlotText(slot.capacityText, "512KB");
      slot.status = 5;
      slot.controller.window = 0xF8A00000;
    }
  }
  sim::TestMachine machine(Machine({Controller("02:00.0")}));
  ASSERT_TRUE(machine.loaded()) << machine.error();
  Scan584Dev(table);
  ASSERT_EQ(table.uc584Host, 1);
  EXPECT_EQ(table.slots[0].bus, 2);
  for (const DeviceSlot& slot : table.slots) {
    EXPECT_EQ(slot.chipNameText[0], '\0');
    EXPECT_EQ(slot.capacityText[0], '\0');
    EXPECT_EQ(slot.status, 0u);
    EXPECT_EQ(slot.controller.window, 0u);
  }
  for (std::size_t i = 1; i < kMaxDevices; ++i) {
    EXPECT_EQ(Location({table.slots[i].bus, table.slots[i].device, table.slots[i].function}),
              Location({0, 0, 0}));
  }
}

TEST(Scan584Dev, WithoutTheDriverFindsNothing) {
  sim::TestMachineSetup setup;
  setup.loadDriver = false;
  sim::TestMachine machine(setup);
  EXPECT_TRUE(Scan().empty());
  EXPECT_EQ(machine.requestCount(), 0u);
}

TEST(SetSlotText, CutsAt254Characters) {
  SlotText text;
  const std::string longText(300, 'x');
  SetSlotText(text, longText.c_str());
  EXPECT_EQ(std::string(text.data()), std::string(254, 'x'));
  SetSlotText(text, "short");
  EXPECT_EQ(std::string(text.data()), "short");
  EXPECT_EQ(text[6], '\0');
}

}  // namespace
}  // namespace tamsel
