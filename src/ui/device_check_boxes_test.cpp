#include "ui/device_check_boxes.h"

#include <gtest/gtest.h>

#include "run/run_dialog.h"
#include "ui/fake_view.h"

namespace tamsel {
namespace {

// Slots 0 and 1 present, slot 2 a controller on bus 0 (absent), the rest empty.
DeviceTable TwoPresentDevices() {
  DeviceTable devices;
  devices.uc584Host = 3;
  devices.slots[0].bus = 3;
  devices.slots[1].bus = 4;
  devices.slots[2].bus = 0;
  return devices;
}

TEST(DeviceCheckBoxes, ModesSetFlagsTicksAndEnables) {
  struct Case {
    int mode;
    std::array<uint8_t, 4> flagsBefore;  // DEV 0..3; the rest start 1
    std::array<uint8_t, 4> flagsAfter;
    uint8_t restAfter;
    std::array<bool, 4> ticked;
  };
  const Case cases[] = {
      {kDevBoxesAfterScan, {0, 2, 1, 1}, {1, 2, 0, 0}, 0, {true, true, false, false}},
      {kDevBoxesClear, {1, 2, 1, 1}, {0, 0, 0, 0}, 0, {false, false, false, false}},
      {kDevBoxesSelectAll, {0, 2, 1, 0}, {1, 1, 1, 0}, 1, {true, true, false, false}},
      {7, {0, 2, 1, 0}, {0, 2, 1, 0}, 1, {false, false, false, false}},
  };
  const DeviceTable devices = TwoPresentDevices();
  for (const Case& c : cases) {
    std::array<uint8_t, kIniDeviceCount> flags;
    flags.fill(1);
    std::copy(c.flagsBefore.begin(), c.flagsBefore.end(), flags.begin());
    const DevBoxStates states = RefreshDevSelection(c.mode, devices, flags);
    for (std::size_t n = 0; n < 4; ++n) {
      EXPECT_EQ(flags[n], c.flagsAfter[n]) << "mode " << c.mode << " DEV " << n;
      EXPECT_EQ(states[n], (DevBoxState{c.ticked[n], c.ticked[n]})) << "mode " << c.mode << " box " << n;
    }
    for (std::size_t n = 4; n < kIniDeviceCount; ++n) {
      EXPECT_EQ(flags[n], c.restAfter) << "mode " << c.mode << " DEV " << n;
    }
  }
}

TEST(DeviceCheckBoxes, ApplyLeavesAbsentBoxesUntickedAndDisabled) {
  FakeView view;
  view.SetChecked(DevCheckBox(9), true);
  DevBoxStates states{};
  states[0] = {true, true};
  ApplyDevBoxStates(states, view);
  EXPECT_TRUE(view.IsChecked(DevCheckBox(0)));
  EXPECT_TRUE(view.IsEnabled(DevCheckBox(0)));
  EXPECT_FALSE(view.IsChecked(DevCheckBox(9)));
  EXPECT_FALSE(view.IsEnabled(DevCheckBox(9)));
}

}  // namespace
}  // namespace tamsel
