// Loading and unloading the I/O driver: the "QORIO" kernel service whose
// binary is the driver file start-up wrote into the working directory, and
// the device it opens.

#include <filesystem>
#include <string>

#include "hw/driver_connection.h"
#include "hw/hardware_operations.h"
#include "platform/qorio_requests.h"

namespace tamsel {

namespace {

constexpr const char* kServiceName = "QORIO";
constexpr std::size_t kMaxPath = 260;

std::string DriverBinaryPath(const DriverConnection& connection) {
  std::string directory = connection.driverDirectory;
  if (directory.empty()) {
    std::error_code error;
    directory = std::filesystem::current_path(error).string();
  }
  if (!directory.empty() && directory.back() != '/') directory += '/';
  return directory + (connection.system64Bit ? "QorIo64.sys" : "qorio.sys");
}

bool StopDriverService(DriverServiceControl& services) {
  return services.StopDriverService(kServiceName);
}

bool RemoveDriverService(DriverServiceControl& services) {
  StopDriverService(services);
  return services.DeleteDriverService(kServiceName);
}

bool InstallDriverService(DriverServiceControl& services, const std::string& binaryPath) {
  RemoveDriverService(services);
  return services.CreateDriverService(kServiceName, binaryPath);
}

bool StartDriverService(DriverServiceControl& services) {
  return services.StartDriverService(kServiceName) != ServiceStartResult::kFailed;
}

bool Refused(std::string& reason, std::string why) {
  reason = std::move(why);
  return false;
}

}  // namespace

bool LoadQorIODriver() {
  std::string reason;
  return LoadQorIODriver(reason);
}

bool LoadQorIODriver(std::string& reason) {
  reason.clear();
  DriverConnection& connection = TheDriverConnection();
  if (connection.platform == nullptr) return Refused(reason, "no hardware is bound");
  DriverServiceControl& services = connection.platform->Services();
  connection.system64Bit = connection.platform->IsSystem64Bit();
  const std::string binaryPath = DriverBinaryPath(connection);
  if (binaryPath.size() > kMaxPath) {
    return Refused(reason, "the driver path is longer than 260 characters: " + binaryPath);
  }
  if (!InstallDriverService(services, binaryPath)) {
    return Refused(reason,
                   std::string("cannot create the service ") + kServiceName + ": " + services.LastError());
  }
  if (!StartDriverService(services)) {
    return Refused(reason,
                   std::string("cannot start the service ") + kServiceName + ": " + services.LastError());
  }
  connection.device = services.OpenDevice(qorio::kDevicePath);
  if (connection.device == nullptr) {
    return Refused(reason, std::string("cannot open ") + qorio::kDevicePath + ": " + services.LastError());
  }
  SET_DEBUG_LEVEL(0);
  return true;
}

bool UnloadQorIODriver() {
  DriverConnection& connection = TheDriverConnection();
  if (connection.platform == nullptr) return false;
  DriverServiceControl& services = connection.platform->Services();
  if (connection.device != nullptr) {
    services.CloseDevice(connection.device);
    connection.device = nullptr;
  }
  return RemoveDriverService(services);
}

}  // namespace tamsel
