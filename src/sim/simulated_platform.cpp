#include "sim/simulated_platform.h"

#include <filesystem>

#include "platform/qorio_requests.h"
#include "sim/machine_loader.h"

namespace tamsel::sim {

SimulatedPlatform::SimulatedPlatform(std::unique_ptr<Machine> machine, std::string loadError,
                                     const std::string& directory)
    : machine_(std::move(machine)),
      loadError_(std::move(loadError)),
      lockName_((std::filesystem::path(directory) / kMachineLockFileName).string()),
      services_(*this, qorio::kDevicePath),
      ticks_(machine_.get()) {}

bool SimulatedPlatform::Start(std::string& error) {
  if (machine_ != nullptr) return true;
  error = loadError_.empty() ? "no simulated machine" : loadError_;
  return false;
}

std::unique_ptr<SimulatedPlatform> MakeSimulatedPlatform(const std::string& directory, std::string& error) {
  std::unique_ptr<Machine> machine = LoadMachine(directory, error);
  const std::string loadError = machine ? std::string() : error;
  return std::make_unique<SimulatedPlatform>(std::move(machine), loadError, directory);
}

}  // namespace tamsel::sim
