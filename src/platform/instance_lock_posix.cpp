#include <sys/file.h>

#include <cerrno>

#include "platform/instance_lock.h"
#include "platform/regular_file.h"

namespace tamsel {

namespace {

// An exclusive flock on a lock file. The file is created when absent (never
// through a link, never emptied) and stays; only the lock on it comes and
// goes, and the system drops it with the descriptor when the process ends.
class FileLock final : public InstanceLock {
 public:
  explicit FileLock(RegularFile file) : file_(std::move(file)) {}

 private:
  RegularFile file_;
};

}  // namespace

InstanceLockAttempt TryLockInstance(const std::string& name) {
  InstanceLockAttempt attempt;
  RegularFile file = RegularFile::Open(name, RegularFileMode::kHold, attempt.error);
  if (!file.isOpen()) {
    return attempt;
  }
  if (flock(static_cast<int>(file.handle()), LOCK_EX | LOCK_NB) != 0) {
    attempt.heldElsewhere = errno == EWOULDBLOCK;
    attempt.error = errno;
    return attempt;
  }
  attempt.lock = std::make_unique<FileLock>(std::move(file));
  return attempt;
}

}  // namespace tamsel
