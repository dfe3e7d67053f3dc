#include "platform/in_process_service_registry.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/ascii_text.h"

namespace tamsel {

bool FileExistsIgnoringCase(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path wanted(path);
  fs::path directory = wanted.parent_path();
  if (directory.empty()) directory = ".";
  const std::string name = wanted.filename().string();
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (EqualIgnoringCase(it->path().filename().string(), name) && it->is_regular_file(error)) return true;
  }
  return false;
}

InProcessServiceRegistry::InProcessServiceRegistry(InProcessDriver& driver, std::string devicePath)
    : driver_(driver), devicePath_(std::move(devicePath)) {}

InProcessServiceRegistry::Service* InProcessServiceRegistry::Find(const std::string& name) {
  for (Service& service : services_) {
    if (EqualIgnoringCase(service.name, name)) return &service;
  }
  return nullptr;
}

bool InProcessServiceRegistry::Fail(std::string message) {
  lastError_ = std::move(message);
  return false;
}

bool InProcessServiceRegistry::CreateDriverService(const std::string& name, const std::string& binaryPath) {
  if (Find(name) != nullptr) return Fail("service " + name + " exists already");
  services_.push_back({name, binaryPath, false});
  return true;
}

ServiceStartResult InProcessServiceRegistry::StartDriverService(const std::string& name) {
  Service* service = Find(name);
  if (service == nullptr) {
    Fail("service " + name + " does not exist");
    return ServiceStartResult::kFailed;
  }
  if (service->running) return ServiceStartResult::kAlreadyRunning;
  if (!FileExistsIgnoringCase(service->binaryPath)) {
    Fail("driver file " + service->binaryPath + " not found");
    return ServiceStartResult::kFailed;
  }
  std::string error;
  if (!driver_.Start(error)) {
    Fail(error);
    return ServiceStartResult::kFailed;
  }
  service->running = true;
  return ServiceStartResult::kStarted;
}

bool InProcessServiceRegistry::StopDriverService(const std::string& name) {
  Service* service = Find(name);
  if (service == nullptr) return Fail("service " + name + " does not exist");
  if (!service->running) return Fail("service " + name + " is not running");
  driver_.Stop();
  service->running = false;
  return true;
}

bool InProcessServiceRegistry::DeleteDriverService(const std::string& name) {
  Service* service = Find(name);
  if (service == nullptr) return Fail("service " + name + " does not exist");
  if (service->running) driver_.Stop();
  services_.erase(services_.begin() + (service - services_.data()));
  return true;
}

DeviceIoEnd* InProcessServiceRegistry::OpenDevice(const std::string& devicePath) {
  if (!EqualIgnoringCase(devicePath, devicePath_)) {
    Fail("no device " + devicePath);
    return nullptr;
  }
  const bool running =
      std::any_of(services_.begin(), services_.end(), [](const Service& s) { return s.running; });
  if (!running) {
    Fail("the driver of " + devicePath + " is not running");
    return nullptr;
  }
  return &driver_.Device();
}

void InProcessServiceRegistry::CloseDevice(DeviceIoEnd*) {}

}  // namespace tamsel
