#pragma once
// The process-wide driver connection shared by the hardware operations and
// the driver service routines: the bound platform, the open device end (the
// handle; nullptr is the invalid handle), the 64-bit system flag and the
// driver file's directory.

#include <cstdint>
#include <span>
#include <string>

#include "platform/device_io_end.h"
#include "platform/hardware_platform.h"

namespace tamsel {

struct DriverConnection {
  HardwarePlatform* platform = nullptr;
  DeviceIoEnd* device = nullptr;
  bool system64Bit = false;
  std::string driverDirectory;
};

DriverConnection& TheDriverConnection();

}  // namespace tamsel
