#pragma once
// The hardware platform of a simulated machine: the in-process service
// registry whose driver answers from the machine, and the machine's virtual
// tick clock. A machine that failed to load leaves a platform whose driver
// never starts, so the load fails as on a machine without the driver.

#include <memory>
#include <string>

#include "platform/hardware_platform.h"
#include "platform/in_process_service_registry.h"
#include "sim/machine.h"

namespace tamsel::sim {

// The instance lock of the simulated machine in `directory`: a file in it.
inline constexpr const char* kMachineLockFileName = ".tamselwin.lock";

class SimulatedPlatform final : public HardwarePlatform, private InProcessDriver {
 public:
  // `machine` may be nullptr; `loadError` then says why the driver cannot
  // start. `directory` is the machine directory, which holds its instance lock.
  SimulatedPlatform(std::unique_ptr<Machine> machine, std::string loadError, const std::string& directory);

  DriverServiceControl& Services() override { return services_; }
  TickClock& Ticks() override { return ticks_; }
  bool IsSystem64Bit() const override { return machine_ == nullptr || machine_->System64Bit(); }
  bool IsSimulator() const override { return true; }
  std::string InstanceLockName() const override { return lockName_; }

  Machine* machine() { return machine_.get(); }

 private:
  class VirtualTicks final : public TickClock {
   public:
    explicit VirtualTicks(Machine* machine) : machine_(machine) {}
    uint32_t NowMs() override { return machine_ != nullptr ? machine_->Clock().NowMs() : 0; }

   private:
    Machine* machine_;
  };

  bool Start(std::string& error) override;
  void Stop() override {}
  DeviceIoEnd& Device() override { return *machine_; }

  std::unique_ptr<Machine> machine_;
  std::string loadError_;
  std::string lockName_;
  InProcessServiceRegistry services_;
  VirtualTicks ticks_;
};

// Loads the machine in `directory` (see LoadMachine). Always returns a
// platform; on a load failure `error` holds the one-line reason and the
// platform's driver fails to load.
std::unique_ptr<SimulatedPlatform> MakeSimulatedPlatform(const std::string& directory, std::string& error);

}  // namespace tamsel::sim
