#pragma once
// One instance per machine: a lock the system releases when the holding
// process ends, however it ends (a kill included), so a crashed run never
// leaves the machine locked. The hardware platform names the lock of the
// machine it drives (HardwarePlatform::InstanceLockName).

#include <memory>
#include <string>

namespace tamsel {

// Held while the object lives.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
};

struct InstanceLockAttempt {
  std::unique_ptr<InstanceLock> lock;  // null when the lock was not taken
  bool heldElsewhere = false;          // another process holds it
  int error = 0;                       // otherwise, why it could not be taken
};

// Takes the named lock without waiting.
InstanceLockAttempt TryLockInstance(const std::string& name);

}  // namespace tamsel
