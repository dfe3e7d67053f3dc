#include "ui/device_check_boxes.h"

#include "run/run_dialog.h"

namespace tamsel {

namespace {

bool IsPresent(const DeviceSlot& slot) {
  return slot.bus != 0;
}

}  // namespace

DevBoxStates RefreshDevSelection(int mode, const DeviceTable& devices,
                                 std::array<uint8_t, kIniDeviceCount>& selection) {
  DevBoxStates states{};
  for (std::size_t n = 0; n < kMaxDevices; ++n) {
    const bool present = IsPresent(devices.slots[n]);
    uint8_t& flag = selection[n];
    switch (mode) {
      case kDevBoxesAfterScan:
        if (present) {
          states[n] = {true, true};
          flag = flag == 0 ? 1 : flag;
        } else if (flag == 1) {
          flag = 0;
        }
        break;
      case kDevBoxesClear:
        flag = 0;
        break;
      case kDevBoxesSelectAll:
        if (present) {
          states[n] = {true, true};
          flag = 1;
        }
        break;
      default:
        break;
    }
  }
  return states;
}

void ApplyDevBoxStates(const DevBoxStates& states, View& view) {
  for (std::size_t n = 0; n < kMaxDevices; ++n) {
    view.SetEnabled(DevCheckBox(static_cast<int>(n)), true);
  }
  for (std::size_t n = 0; n < kMaxDevices; ++n) {
    view.SetChecked(DevCheckBox(static_cast<int>(n)), states[n].ticked);
  }
  for (std::size_t n = 0; n < kMaxDevices; ++n) {
    view.SetEnabled(DevCheckBox(static_cast<int>(n)), states[n].enabled);
  }
}

}  // namespace tamsel
