#pragma once
// An in-process stand-in for the service control manager, used on Linux and
// by the simulator. It keeps one record per service; starting a service
// fails when its binary path names no file (names compared without regard to
// case, as Windows does) or when the driver backend refuses to start. The
// device opens only while its service runs.

#include <optional>
#include <string>
#include <vector>

#include "platform/device_io_end.h"
#include "platform/driver_service.h"

namespace tamsel {

// What a started service runs: the in-process driver.
class InProcessDriver {
 public:
  virtual ~InProcessDriver() = default;
  // Prepares the driver; on failure says why in `error`.
  virtual bool Start(std::string& error) = 0;
  virtual void Stop() = 0;
  virtual DeviceIoEnd& Device() = 0;
};

class InProcessServiceRegistry final : public DriverServiceControl {
 public:
  // `devicePath` is the name the driver's device answers to (e.g. "\\.\QorIO").
  InProcessServiceRegistry(InProcessDriver& driver, std::string devicePath);

  bool CreateDriverService(const std::string& name, const std::string& binaryPath) override;
  ServiceStartResult StartDriverService(const std::string& name) override;
  bool StopDriverService(const std::string& name) override;
  bool DeleteDriverService(const std::string& name) override;
  DeviceIoEnd* OpenDevice(const std::string& devicePath) override;
  void CloseDevice(DeviceIoEnd* device) override;
  const std::string& LastError() const override { return lastError_; }

 private:
  struct Service {
    std::string name;
    std::string binaryPath;
    bool running = false;
  };

  Service* Find(const std::string& name);
  bool Fail(std::string message);

  InProcessDriver& driver_;
  std::string devicePath_;
  std::vector<Service> services_;
  std::string lastError_;
};

// True when `path` names a regular file, its last component matched without
// regard to case.
bool FileExistsIgnoringCase(const std::string& path);

}  // namespace tamsel
