#include "sim/platform_selection.h"

#include <cstdlib>

#include "platform/linux_pci_driver.h"
#include "sim/simulated_platform.h"

namespace tamsel {

std::unique_ptr<HardwarePlatform> MakeHardwarePlatformFromEnvironment(std::string& error) {
  error.clear();
  const char* machineDirectory = std::getenv(kSimulatorVariable);
  if (machineDirectory != nullptr && machineDirectory[0] != '\0') {
    return sim::MakeSimulatedPlatform(machineDirectory, error);
  }
  return MakeLinuxHardwarePlatform();
}

}  // namespace tamsel
