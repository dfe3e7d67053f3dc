#pragma once
// The sixteen Dev check boxes and the DEV n selection flags, brought in line
// with the device slots: mode 1 after a scan or a run, mode 2 for "Clear",
// mode 3 for "Select All". A slot counts as present when its bus is not 0.

#include <array>
#include <cstdint>

#include "files/ini_settings.h"
#include "hw/device_table.h"
#include "ui/view.h"

namespace tamsel {

struct DevBoxState {
  bool ticked = false;
  bool enabled = false;
  friend bool operator==(const DevBoxState&, const DevBoxState&) = default;
};

using DevBoxStates = std::array<DevBoxState, kMaxDevices>;

// Adjusts the flags for the mode and returns each box's tick and enable value.
DevBoxStates RefreshDevSelection(int mode, const DeviceTable& devices,
                                 std::array<uint8_t, kIniDeviceCount>& selection);

// vRefreshDevCheckBoxes: enables all sixteen boxes, then sets their ticks,
// then their enabled states.
void ApplyDevBoxStates(const DevBoxStates& states, View& view);

}  // namespace tamsel
