#pragma once
// The firmware check's setting for a run and for "Check FW": the settings,
// the mode, the working directory, and the carried stand-in image when it
// must not reach the hardware (the program carries the stand-in and the
// bound machine is not simulated).

#include "files/firmware_check.h"
#include "run/production_state.h"

namespace tamsel {

// The setting refers to the state's settings: it lives no longer than the state.
FirmwareCheckSetting FirmwareCheckSettingFor(const ProductionState& state);

}  // namespace tamsel
