#include "sim/simulated_platform.h"

#include "platform/qorio_requests.h"
#include "sim/machine_loader.h"

namespace tamsel::sim {

SimulatedPlatform::SimulatedPlatform(std::unique_ptr<Machine> machine, std::string loadError)
    : machine_(std::move(machine)),
      loadError_(std::move(loadError)),
      services_(*this, qorio::kDevicePath),
      ticks_(machine_.get()) {}

bool SimulatedPlatform::Start(std::string& error) {
  if (machine_ != nullptr) return true;
  error = loadError_.empty() ? "no simulated machine" : loadError_;
  return false;
}

std::unique_ptr<SimulatedPlatform> MakeSimulatedPlatform(const std::string& directory, std::string& error) {
  std::unique_ptr<Machine> machine = LoadMachine(directory, error);
  return std::make_unique<SimulatedPlatform>(std::move(machine), machine ? std::string() : error);
}

}  // namespace tamsel::sim
