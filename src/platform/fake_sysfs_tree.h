#pragma once
// Test support: a sysfs PCI device directory in a temporary directory, where
// regular files stand in for each function's configuration space, its
// resource list and its BAR0 memory (resource0).

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tamsel {

struct FakePciFunction {
  std::string name;  // "0000:03:00.0"
  uint16_t vendorId = 0;
  uint16_t deviceId = 0;
  uint32_t bar0 = 0;            // 0: no memory BAR
  bool capabilities = false;    // MSI at 0x50, then power management at 0x78
  bool resource0 = true;        // with a BAR: a 64 KiB file stands in for its memory
  bool readOnlyConfig = false;  // the configuration file has mode 0444
};

class FakeSysfsTree {
 public:
  static constexpr uint8_t kPowerManagementEntry = 0x78;

  FakeSysfsTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tamsel-sysfs-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~FakeSysfsTree() {
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }
  FakeSysfsTree(const FakeSysfsTree&) = delete;
  FakeSysfsTree& operator=(const FakeSysfsTree&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path ConfigPath(const std::string& name) const { return root_ / name / "config"; }

  void Add(const FakePciFunction& f) {
    const std::filesystem::path dir = root_ / f.name;
    std::filesystem::create_directories(dir);
    std::vector<char> config(256, 0);
    Put16(config, 0x00, f.vendorId);
    Put16(config, 0x02, f.deviceId);
    Put16(config, 0x10, static_cast<uint16_t>(f.bar0));
    Put16(config, 0x12, static_cast<uint16_t>(f.bar0 >> 16));
    if (f.capabilities) {
      config[0x06] = 0x10;  // capability list present
      config[0x34] = 0x50;
      config[0x50] = 0x05;  // MSI
      config[0x51] = static_cast<char>(kPowerManagementEntry);
      config[kPowerManagementEntry] = 0x01;  // power management, last entry
      config[kPowerManagementEntry + 2] = 0x03;
    }
    std::ofstream(dir / "config", std::ios::binary).write(config.data(), 256);
    if (f.readOnlyConfig) std::filesystem::permissions(dir / "config", std::filesystem::perms(0444));
    char line[128];
    std::snprintf(line, sizeof line, "0x%016x 0x%016x 0x%016x\n", f.bar0, f.bar0 != 0 ? f.bar0 + 0xFFFF : 0,
                  f.bar0 != 0 ? 0x40200 : 0);
    std::ofstream(dir / "resource") << line << "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
    if (f.bar0 != 0 && f.resource0) {
      std::ofstream(dir / "resource0", std::ios::binary).write(std::vector<char>(0x10000, 0).data(), 0x10000);
    }
  }

  std::vector<uint8_t> Config(const std::string& name) const {
    std::ifstream in(ConfigPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  static void Put16(std::vector<char>& bytes, std::size_t offset, uint16_t value) {
    bytes[offset] = static_cast<char>(value);
    bytes[offset + 1] = static_cast<char>(value >> 8);
  }

  std::filesystem::path root_;
};

}  // namespace tamsel
