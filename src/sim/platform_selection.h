#pragma once
// Picks the hardware side for this run: the simulated machine named by the
// environment variable TAMSEL_SIM when it is set and not empty, otherwise the
// platform's real driver. Start-up binds the result with BindHardwarePlatform.

#include <memory>
#include <string>

#include "platform/hardware_platform.h"

namespace tamsel {

inline constexpr const char* kSimulatorVariable = "TAMSEL_SIM";

// Never nullptr. When the simulated machine cannot be loaded, `error` holds
// one line naming the file and the fault, and loading the driver will fail.
std::unique_ptr<HardwarePlatform> MakeHardwarePlatformFromEnvironment(std::string& error);

}  // namespace tamsel
