#pragma once
// Everything the hardware operations need from the machine they run on, as
// one bundle: the driver service seam (which also opens the device end), the
// millisecond tick clock, the system width that picks the driver build,
// whether the machine is simulated, and the name of the machine's instance lock.
// The hardware layer binds one bundle process-wide (BindHardwarePlatform).

#include <string>

#include "platform/driver_service.h"
#include "platform/tick_clock.h"

namespace tamsel {

class HardwarePlatform {
 public:
  virtual ~HardwarePlatform() = default;
  virtual DriverServiceControl& Services() = 0;
  virtual TickClock& Ticks() = 0;
  // True on a 64-bit system: the 64-bit driver file and 8-byte map replies.
  virtual bool IsSystem64Bit() const = 0;
  // True when the hardware is a simulated machine. Anything else counts as
  // real hardware, where the carried stand-in image must never be written.
  virtual bool IsSimulator() const { return false; }
  // The lock that keeps a second instance off this machine (see
  // platform/instance_lock.h): one name per machine the platform drives.
  virtual std::string InstanceLockName() const = 0;
};

}  // namespace tamsel
