#include "platform/linux_pci_driver.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/pci_config_space.h"
#include "platform/qorio_dispatch.h"
#include "platform/qorio_requests.h"
#include "platform/supported_controller_ids.h"

namespace tamsel {

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPage = 0x1000;
constexpr uint32_t kMappingTokenBase = 0xF8A00000u;
constexpr std::size_t kMaxMappings = 64;
constexpr uint64_t kResourceMemory = 0x200;  // IORESOURCE_MEM

// The kernel's width decides the map reply's size, as a kernel driver's pointer would.
bool KernelIs64Bit() {
  utsname name{};
  if (uname(&name) != 0) return sizeof(void*) == 8;
  return std::strstr(name.machine, "64") != nullptr;
}

struct PresentFunction {
  std::string path;   // the function's sysfs directory
  int configFd = -1;  // read-only unless the function is a supported controller
  bool supported = false;
  uint64_t bar0Start = 0;
  uint64_t bar0End = 0;  // inclusive, as sysfs prints it; 0: no memory BAR0
};

struct WindowMapping {
  volatile uint8_t* bytes = nullptr;  // nullptr: slot free
};

// "0000:03:00.0" -> bus/device/function key; false for other domains or shapes.
bool ParseFunctionName(const std::string& name, uint16_t& key) {
  unsigned domain = 0, bus = 0, device = 0, function = 0;
  char tail = 0;
  if (std::sscanf(name.c_str(), "%4x:%2x:%2x.%1x%c", &domain, &bus, &device, &function, &tail) != 4)
    return false;
  if (domain != 0 || bus > 0xFF || device > 0x1F || function > 7) return false;
  key = static_cast<uint16_t>(bus << 8 | device << 3 | function);
  return true;
}

bool ReadBar0Resource(const std::string& functionPath, uint64_t& start, uint64_t& end) {
  std::ifstream in(functionPath + "/resource");
  unsigned long long first = 0, last = 0, flags = 0;
  std::string line;
  if (!std::getline(in, line) || std::sscanf(line.c_str(), "%llx %llx %llx", &first, &last, &flags) != 3) {
    return false;
  }
  if ((flags & kResourceMemory) == 0 || first == 0 || last <= first) return false;
  start = first;
  end = last;
  return true;
}

std::string OpenFailure(const std::string& path, const char* access) {
  return "cannot open " + path + " for " + access + ": " + std::strerror(errno) +
         (errno == EACCES || errno == EPERM ? " (the driver needs root)" : "");
}

// Opens the function's configuration file read-only, and again for writing
// only when its IDs are those of a supported controller: the files of every
// other function are never open for writing.
bool OpenConfig(PresentFunction& function, std::string& error) {
  const std::string config = function.path + "/config";
  function.configFd = open(config.c_str(), O_RDONLY | O_CLOEXEC);
  if (function.configFd < 0) {
    error = OpenFailure(config, "reading");
    return false;
  }
  std::array<uint8_t, 4> ids{};
  const ssize_t got = pread(function.configFd, ids.data(), ids.size(), 0);
  if (got != static_cast<ssize_t>(ids.size())) {
    error = "cannot read " + config + ": " + (got < 0 ? std::strerror(errno) : "it holds no IDs");
    return false;
  }
  function.supported = IsSupportedControllerId(static_cast<uint16_t>(ids[0] | ids[1] << 8),
                                               static_cast<uint16_t>(ids[2] | ids[3] << 8));
  if (!function.supported) return true;
  close(function.configFd);
  function.configFd = open(config.c_str(), O_RDWR | O_CLOEXEC);
  if (function.configFd < 0) {
    error = OpenFailure(config, "reading and writing");
    return false;
  }
  return true;
}

uint8_t ConfigByte(const PresentFunction& function, uint8_t offset) {
  uint8_t value = 0xFF;
  return pread(function.configFd, &value, 1, offset) == 1 ? value : uint8_t{0xFF};
}

// The only configuration bytes the program writes: the command register and
// the power-management control/status byte that its power-state check finds.
bool ProgramWritesConfigByte(const PresentFunction& function, uint32_t offset) {
  if (offset == kPciCommandOffset) return true;
  const CapabilitySearch pm = FindPciCapability(kPowerManagementCapabilityId,
                                                [&function](uint8_t at) { return ConfigByte(function, at); });
  return pm.outcome == CapabilitySearch::Outcome::kFound &&
         offset == static_cast<uint8_t>(pm.offset + kPowerManagementControlOffset);
}

class LinuxPciDriver final : public InProcessDriver, public DeviceIoEnd {
 public:
  explicit LinuxPciDriver(std::string sysfsDevices) : sysfsDevices_(std::move(sysfsDevices)) {
    index_.fill(-1);
  }
  ~LinuxPciDriver() override { Stop(); }

  bool Start(std::string& error) override;
  void Stop() override;
  DeviceIoEnd& Device() override { return *this; }

  DeviceIoReply DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                std::span<uint8_t> output) override;

 private:
  template <typename Handlers>
  friend DeviceIoReply qorio::DispatchRequest(Handlers&, uint32_t, std::span<const uint8_t>,
                                              std::span<uint8_t>);

  PresentFunction* Addressed();
  DeviceIoReply SetDebugLevel(std::span<const uint8_t> input) { return qorio::AcceptDebugLevel(input); }
  DeviceIoReply GetPort(std::span<const uint8_t> input, std::span<uint8_t> output);
  DeviceIoReply SetPort(std::span<const uint8_t> input);
  DeviceIoReply Map(std::span<const uint8_t> input, std::span<uint8_t> output);
  DeviceIoReply Unmap(std::span<const uint8_t> input);
  DeviceIoReply ReadMemory(std::span<const uint8_t> input, std::span<uint8_t> output);
  DeviceIoReply WriteMemory(std::span<const uint8_t> input);
  volatile uint8_t* Resolve(uint32_t address, uint32_t count);

  std::string sysfsDevices_;
  std::vector<PresentFunction> functions_;
  std::array<int16_t, 65536> index_{};
  std::array<WindowMapping, kMaxMappings> mappings_{};
  uint32_t configAddress_ = 0;
  bool started_ = false;
};

bool LinuxPciDriver::Start(std::string& error) {
  Stop();
  std::error_code ec;
  fs::directory_iterator it(sysfsDevices_, ec);
  if (ec) {
    error = "cannot list PCI functions in " + sysfsDevices_ + ": " + ec.message();
    return false;
  }
  for (const fs::directory_entry& entry : it) {
    uint16_t key = 0;
    if (!ParseFunctionName(entry.path().filename().string(), key)) continue;
    PresentFunction function;
    function.path = entry.path().string();
    if (!OpenConfig(function, error)) {
      if (function.configFd >= 0) close(function.configFd);
      Stop();
      return false;
    }
    if (function.supported) ReadBar0Resource(function.path, function.bar0Start, function.bar0End);
    index_[key] = static_cast<int16_t>(functions_.size());
    functions_.push_back(std::move(function));
  }
  started_ = true;
  return true;
}

void LinuxPciDriver::Stop() {
  for (WindowMapping& mapping : mappings_) {
    if (mapping.bytes != nullptr) munmap(const_cast<uint8_t*>(mapping.bytes), kPage);
    mapping.bytes = nullptr;
  }
  for (PresentFunction& function : functions_) {
    if (function.configFd >= 0) close(function.configFd);
  }
  functions_.clear();
  index_.fill(-1);
  configAddress_ = 0;
  started_ = false;
}

DeviceIoReply LinuxPciDriver::DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                              std::span<uint8_t> output) {
  if (!started_) return {};
  return qorio::DispatchRequest(*this, code, input, output);
}

PresentFunction* LinuxPciDriver::Addressed() {
  const std::optional<uint16_t> key = qorio::ConfigFunctionKey(configAddress_);
  if (!key) return nullptr;
  const int16_t index = index_[*key];
  return index < 0 ? nullptr : &functions_[static_cast<std::size_t>(index)];
}

bool IsDataLane(const qorio::PortRecord& record) {
  const uint32_t lane = record.port - qorio::kConfigDataPort;
  return record.port >= qorio::kConfigDataPort && lane < 4 &&
         (record.width == 1 || record.width == 2 || record.width == 4) && lane + record.width <= 4;
}

DeviceIoReply LinuxPciDriver::GetPort(std::span<const uint8_t> input, std::span<uint8_t> output) {
  qorio::PortRecord record;
  if (!qorio::Decode(input, record) || output.size() < 4) return {};
  std::array<uint8_t, 4> value{0xFF, 0xFF, 0xFF, 0xFF};
  if (record.port == qorio::kConfigAddressPort && record.width == 4) {
    qorio::StoreLe32(value.data(), configAddress_);
  } else if (IsDataLane(record)) {
    if (const PresentFunction* function = Addressed()) {
      const off_t offset = static_cast<off_t>(configAddress_ & 0xFC) + static_cast<off_t>(record.port & 3);
      if (pread(function->configFd, value.data(), record.width, offset) !=
          static_cast<ssize_t>(record.width)) {
        return {};
      }
    }
  } else {
    return {};
  }
  std::copy(value.begin(), value.end(), output.begin());
  return {true, 4};
}

DeviceIoReply LinuxPciDriver::SetPort(std::span<const uint8_t> input) {
  qorio::PortRecord record;
  if (!qorio::Decode(input, record)) return {};
  if (record.port == qorio::kConfigAddressPort && record.width == 4) {
    configAddress_ = qorio::LatchedConfigAddress(record.value);
    return {true, 0};
  }
  if (!IsDataLane(record)) return {};
  PresentFunction* function = Addressed();
  if (function == nullptr || !function->supported) return {};
  const uint32_t offset = (configAddress_ & 0xFC) + (record.port & 3);
  for (uint32_t i = 0; i < record.width; ++i) {
    if (!ProgramWritesConfigByte(*function, offset + i)) return {};
  }
  std::array<uint8_t, 4> value{};
  qorio::StoreLe32(value.data(), record.value);
  return {pwrite(function->configFd, value.data(), record.width, static_cast<off_t>(offset)) ==
              static_cast<ssize_t>(record.width),
          0};
}

DeviceIoReply LinuxPciDriver::Map(std::span<const uint8_t> input, std::span<uint8_t> output) {
  qorio::MemRecord record;
  const uint32_t replySize = KernelIs64Bit() ? 8 : 4;
  if (!qorio::Decode(input, record) || record.length != kPage || record.address % kPage != 0 ||
      output.size() < replySize) {
    return {};
  }
  for (const PresentFunction& function : functions_) {
    if (!function.supported || function.bar0End == 0) continue;
    if (record.address < function.bar0Start || uint64_t{record.address} + kPage - 1 > function.bar0End)
      continue;
    auto slot = std::find_if(mappings_.begin(), mappings_.end(),
                             [](const WindowMapping& m) { return m.bytes == nullptr; });
    if (slot == mappings_.end()) return {};
    const int fd = open((function.path + "/resource0").c_str(), O_RDWR | O_SYNC | O_CLOEXEC);
    if (fd < 0) return {};
    void* bytes = mmap(nullptr, kPage, PROT_READ | PROT_WRITE, MAP_SHARED, fd,
                       static_cast<off_t>(record.address - function.bar0Start));
    close(fd);
    if (bytes == MAP_FAILED) return {};
    slot->bytes = static_cast<volatile uint8_t*>(bytes);
    std::fill(output.begin(), output.begin() + replySize, uint8_t{0});
    qorio::StoreLe32(output.data(),
                     kMappingTokenBase + static_cast<uint32_t>(slot - mappings_.begin()) * kPage);
    return {true, replySize};
  }
  return {};
}

volatile uint8_t* LinuxPciDriver::Resolve(uint32_t address, uint32_t count) {
  if (address < kMappingTokenBase || count < 1 || count > 4) return nullptr;
  const uint32_t slot = (address - kMappingTokenBase) / kPage;
  const uint32_t offset = (address - kMappingTokenBase) % kPage;
  if (slot >= kMaxMappings || mappings_[slot].bytes == nullptr || offset + count > kPage) return nullptr;
  return mappings_[slot].bytes + offset;
}

DeviceIoReply LinuxPciDriver::Unmap(std::span<const uint8_t> input) {
  qorio::MemRecord record;
  if (!qorio::Decode(input, record) || Resolve(record.address, 1) == nullptr ||
      (record.address - kMappingTokenBase) % kPage != 0) {
    return {};
  }
  WindowMapping& mapping = mappings_[(record.address - kMappingTokenBase) / kPage];
  munmap(const_cast<uint8_t*>(mapping.bytes), kPage);
  mapping.bytes = nullptr;
  return {true, 0};
}

// Registers are read with one access of the request's width where aligned.
DeviceIoReply LinuxPciDriver::ReadMemory(std::span<const uint8_t> input, std::span<uint8_t> output) {
  qorio::MemRecord record;
  if (!qorio::Decode(input, record) || output.size() < record.length) return {};
  volatile uint8_t* bytes = Resolve(record.address, record.length);
  if (bytes == nullptr) return {};
  const auto address = reinterpret_cast<uintptr_t>(bytes);
  if (record.length == 4 && address % 4 == 0) {
    qorio::StoreLe32(output.data(), *reinterpret_cast<volatile uint32_t*>(bytes));
  } else {
    for (uint32_t i = 0; i < record.length; ++i) output[i] = bytes[i];
  }
  return {true, record.length};
}

DeviceIoReply LinuxPciDriver::WriteMemory(std::span<const uint8_t> input) {
  qorio::MemRecord record;
  if (!qorio::Decode(input, record)) return {};
  volatile uint8_t* bytes = Resolve(record.address, record.length);
  if (bytes == nullptr) return {};
  const auto address = reinterpret_cast<uintptr_t>(bytes);
  if (record.length == 4 && address % 4 == 0) {
    *reinterpret_cast<volatile uint32_t*>(bytes) = record.value;
  } else {
    for (uint32_t i = 0; i < record.length; ++i) bytes[i] = static_cast<uint8_t>(record.value >> (8 * i));
  }
  return {true, record.length};
}

class LinuxHardwarePlatform final : public HardwarePlatform {
 public:
  explicit LinuxHardwarePlatform(const std::string& sysfsDevices)
      : driver_(MakeLinuxPciDriver(sysfsDevices)),
        services_(*driver_, qorio::kDevicePath),
        lockName_(LinuxInstanceLockName(sysfsDevices)) {}

  DriverServiceControl& Services() override { return services_; }
  TickClock& Ticks() override { return SteadyTickClock(); }
  bool IsSystem64Bit() const override { return KernelIs64Bit(); }
  std::string InstanceLockName() const override { return lockName_; }

 private:
  std::unique_ptr<InProcessDriver> driver_;
  InProcessServiceRegistry services_;
  std::string lockName_;
};

}  // namespace

std::unique_ptr<InProcessDriver> MakeLinuxPciDriver(const std::string& sysfsDevices) {
  return std::make_unique<LinuxPciDriver>(sysfsDevices);
}

std::string LinuxInstanceLockName(const std::string& sysfsDevices, const std::string& runLockDirectory) {
  if (sysfsDevices != kSysfsPciDevices) {
    fs::path tree = fs::path(sysfsDevices).lexically_normal();
    if (!tree.has_filename()) {
      tree = tree.parent_path();
    }
    return (tree.parent_path() / ".tamselwin.lock").string();
  }
  std::error_code code;
  const bool runLockUsable =
      fs::is_directory(runLockDirectory, code) && access(runLockDirectory.c_str(), W_OK) == 0;
  return (fs::path(runLockUsable ? runLockDirectory : kFallbackLockDirectory) / kInstanceLockFileName)
      .string();
}

std::unique_ptr<HardwarePlatform> MakeLinuxHardwarePlatform(const std::string& sysfsDevices) {
  return std::make_unique<LinuxHardwarePlatform>(sysfsDevices);
}

}  // namespace tamsel
