#pragma once
// The in-process I/O driver of Linux. It answers the driver's requests over
// the real machine, narrowly:
// - ports: only 0xCF8 (the 4-byte configuration address) and the data lanes
//   0xCFC-0xCFF, which read the addressed function's configuration space
//   through sysfs; a function that does not exist reads 0xFF without a
//   system call. Configuration writes reach supported controllers only, and
//   only the bytes the program writes there: the command register and the
//   power-management control/status byte. The configuration files of all
//   other functions are opened read-only.
// - map: only a page-aligned 4 KiB window inside BAR0 of a supported
//   controller, mapped from its sysfs resource0 file; memory requests only
//   inside such a window.
// Everything else is refused. Starting needs write access to the supported
// controllers' configuration files (root); without it the load fails.

#include <memory>
#include <string>

#include "platform/hardware_platform.h"
#include "platform/in_process_service_registry.h"

namespace tamsel {

inline constexpr const char* kSysfsPciDevices = "/sys/bus/pci/devices";
inline constexpr const char* kRunLockDirectory = "/run/lock";
inline constexpr const char* kFallbackLockDirectory = "/tmp";
inline constexpr const char* kInstanceLockFileName = "tamselwin.lock";

// The driver over a sysfs device directory (the real one, or a test's tree).
std::unique_ptr<InProcessDriver> MakeLinuxPciDriver(const std::string& sysfsDevices = kSysfsPciDevices);

// The instance lock of the machine behind the sysfs tree. The real machine's
// is tamselwin.lock in the system's run directory for locks, or in /tmp where
// that is not a writable directory; a test's tree has its own beside it.
std::string LinuxInstanceLockName(const std::string& sysfsDevices,
                                  const std::string& runLockDirectory = kRunLockDirectory);

// The real machine: the in-process registry running the driver above, a
// steady tick clock, the system width from uname and the lock named above.
std::unique_ptr<HardwarePlatform> MakeLinuxHardwarePlatform(
    const std::string& sysfsDevices = kSysfsPciDevices);

}  // namespace tamsel
