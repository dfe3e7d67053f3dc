#pragma once
// The service seam: create, start, stop and delete a kernel driver service
// and open its device. On Windows this is the service control manager; on
// Linux and in the simulator an in-process registry.

#include <string>

#include "platform/device_io_end.h"

namespace tamsel {

enum class ServiceStartResult { kStarted, kAlreadyRunning, kFailed };

class DriverServiceControl {
 public:
  virtual ~DriverServiceControl() = default;
  // False when a service of that name exists already or cannot be created.
  virtual bool CreateDriverService(const std::string& name, const std::string& binaryPath) = 0;
  virtual ServiceStartResult StartDriverService(const std::string& name) = 0;
  // False when the service does not exist or is not running.
  virtual bool StopDriverService(const std::string& name) = 0;
  // False when the service does not exist.
  virtual bool DeleteDriverService(const std::string& name) = 0;
  // The device end of a running driver, or nullptr (the invalid handle).
  virtual DeviceIoEnd* OpenDevice(const std::string& devicePath) = 0;
  virtual void CloseDevice(DeviceIoEnd* device) = 0;
  // Why the last failing operation failed, for diagnostics.
  virtual const std::string& LastError() const = 0;
};

}  // namespace tamsel
