#include "platform/linux_pci_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/fake_sysfs_tree.h"
#include "platform/qorio_requests.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

// A sysfs device tree of four functions, the driver started over it.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.Add({"0000:00:00.0", 0x8086, 0x1237, 0});
    tree_.Add({"0000:03:00.0", 0x1E9C, 0x5844, 0xFE000000, true});
    tree_.Add({"0000:05:00.0", 0x8086, 0x2922, 0xFD000000, true});
    tree_.Add({"0001:03:00.0", 0x1E9C, 0x5844, 0xFC000000});  // another domain: not reachable through 0xCF8
    tree_.Add({"0000:06:00.0", 0x1E9C, 0x5846, 0});           // supported, no capability list
    driver_ = MakeLinuxPciDriver(tree_.root().string());
    std::string error;
    ASSERT_TRUE(driver_->Start(error)) << error;
  }
  void TearDown() override { driver_.reset(); }

  DeviceIoReply Port(uint32_t code, uint32_t port, uint32_t width, uint32_t value, uint32_t* out = nullptr) {
    const auto input = qorio::Encode(qorio::PortRecord{port, width, value});
    std::array<uint8_t, 4> output{};
    const DeviceIoReply reply = driver_->Device().DeviceIoControl(
        code, input, code == qorio::kIoctlGetPort ? std::span(output) : std::span<uint8_t>());
    if (out != nullptr) *out = qorio::LoadLe32(output.data());
    return reply;
  }
  uint8_t ConfigByte(uint32_t address, uint32_t lane) {
    uint32_t out = 0;
    EXPECT_TRUE(Port(qorio::kIoctlSetPort, 0xCF8, 4, address).succeeded);
    EXPECT_TRUE(Port(qorio::kIoctlGetPort, 0xCFC + lane, 1, 0, &out).succeeded);
    return static_cast<uint8_t>(out);
  }
  DeviceIoReply Mem(uint32_t code, uint32_t address, uint32_t length, uint32_t value,
                    std::span<uint8_t> output) {
    const auto input = qorio::Encode(qorio::MemRecord{address, length, value});
    return driver_->Device().DeviceIoControl(code, input, output);
  }
  uint32_t Map(uint32_t physical) {
    std::array<uint8_t, 8> output{};
    const DeviceIoReply reply = Mem(qorio::kIoctlMap, physical, 0x1000, 0, output);
    return reply.succeeded ? qorio::LoadLe32(output.data()) : 0;
  }
  uint8_t ResourceByte(const std::string& name, std::size_t offset) {
    std::ifstream in(tree_.root() / name / "resource0", std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    return static_cast<uint8_t>(in.get());
  }

  FakeSysfsTree tree_;
  std::unique_ptr<InProcessDriver> driver_;
};

TEST_F(FakeSysfs, ConfigurationReadsComeFromTheFunctionsFilesAndAbsentOnesReadOnes) {
  EXPECT_EQ(ConfigByte(0x80000000, 0), 0x86);
  EXPECT_EQ(ConfigByte(0x80030000, 1), 0x1E);
  EXPECT_EQ(ConfigByte(0x80030000, 2), 0x44);
  EXPECT_EQ(ConfigByte(0x80030010, 3), 0xFE);
  EXPECT_EQ(ConfigByte(0x80040000, 0), 0xFF);
  EXPECT_EQ(ConfigByte(0x00030000, 0), 0xFF) << "enable bit clear";
}

TEST_F(FakeSysfs, ConfigurationWritesReachSupportedControllersOnly) {
  Port(qorio::kIoctlSetPort, 0xCF8, 4, 0x80030004);
  EXPECT_TRUE(Port(qorio::kIoctlSetPort, 0xCFC, 1, 0x06).succeeded);
  EXPECT_EQ(ConfigByte(0x80030004, 0), 0x06);
  Port(qorio::kIoctlSetPort, 0xCF8, 4, 0x80050004);
  EXPECT_FALSE(Port(qorio::kIoctlSetPort, 0xCFC, 1, 0x06).succeeded);
  EXPECT_EQ(ConfigByte(0x80050004, 0), 0x00);
}

// 03:00.0 has its power-management entry at 0x78, so the program writes the
// command register (0x04) and the power state (0x7C) there, and nothing else.
TEST_F(FakeSysfs, ConfigurationWritesReachOnlyTheBytesTheProgramWrites) {
  const struct {
    const char* name;
    const char* function;
    uint32_t address;  // of the configuration dword
    uint32_t lane;
    uint32_t width;
    bool allowed;
  } cases[] = {
      {"command register", "0000:03:00.0", 0x80030004, 0, 1, true},
      {"power state", "0000:03:00.0", 0x8003007C, 0, 1, true},
      {"command register's high byte", "0000:03:00.0", 0x80030004, 1, 1, false},
      {"status register", "0000:03:00.0", 0x80030004, 2, 1, false},
      {"command register as a word", "0000:03:00.0", 0x80030004, 0, 2, false},
      {"command and status as a dword", "0000:03:00.0", 0x80030004, 0, 4, false},
      {"power-management control, high byte", "0000:03:00.0", 0x8003007C, 1, 1, false},
      {"vendor ID", "0000:03:00.0", 0x80030000, 0, 1, false},
      {"BAR0", "0000:03:00.0", 0x80030010, 0, 4, false},
      {"capability pointer", "0000:03:00.0", 0x80030034, 0, 1, false},
      {"version registers", "0000:03:00.0", 0x800300F0, 0, 1, false},
      {"command register without capabilities", "0000:06:00.0", 0x80060004, 0, 1, true},
      {"0x7C without a power-management entry", "0000:06:00.0", 0x8006007C, 0, 1, false},
      {"command register of another function", "0000:05:00.0", 0x80050004, 0, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> before = tree_.Config(c.function);
    Port(qorio::kIoctlSetPort, 0xCF8, 4, c.address);
    EXPECT_EQ(Port(qorio::kIoctlSetPort, 0xCFC + c.lane, c.width, 0x5A5A5A5A).succeeded, c.allowed);
    std::vector<uint8_t> expected = before;
    if (c.allowed) {
      std::fill_n(expected.begin() + (c.address & 0xFC) + c.lane, c.width, uint8_t{0x5A});
    }
    EXPECT_EQ(tree_.Config(c.function), expected);
  }
}

TEST_F(FakeSysfs, ALoopingCapabilityListAllowsNoPowerStateWrite) {
  std::vector<uint8_t> config = tree_.Config("0000:03:00.0");
  config[FakeSysfsTree::kPowerManagementEntry] = 0x09;  // not power management, pointing back to MSI
  config[FakeSysfsTree::kPowerManagementEntry + 1] = 0x50;
  std::ofstream(tree_.ConfigPath("0000:03:00.0"), std::ios::binary)
      .write(reinterpret_cast<const char*>(config.data()), static_cast<std::streamsize>(config.size()));
  Port(qorio::kIoctlSetPort, 0xCF8, 4, 0x8003007C);
  EXPECT_FALSE(Port(qorio::kIoctlSetPort, 0xCFC, 1, 0).succeeded);
  EXPECT_EQ(tree_.Config("0000:03:00.0"), config);
}

TEST_F(FakeSysfs, OtherPortsAreRefused) {
  const uint32_t ports[] = {0x80, 0xCF9, 0xCFB, 0xD00, 0x3F8};
  for (uint32_t port : ports) {
    EXPECT_FALSE(Port(qorio::kIoctlGetPort, port, 1, 0).succeeded) << port;
    EXPECT_FALSE(Port(qorio::kIoctlSetPort, port, 1, 0).succeeded) << port;
  }
  EXPECT_FALSE(Port(qorio::kIoctlSetPort, 0xCF8, 1, 0).succeeded) << "the address port takes 4 bytes";
  EXPECT_FALSE(Port(qorio::kIoctlGetPort, 0xCFE, 4, 0).succeeded) << "a lane access past 0xCFF";
}

TEST_F(FakeSysfs, MapsOnlyPageWindowsInsideBar0OfASupportedController) {
  const uint32_t window = Map(0xFE001000);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(Map(0xFD001000), 0u) << "not a supported controller";
  EXPECT_EQ(Map(0xFE010000), 0u) << "past BAR0";
  EXPECT_EQ(Map(0xFE001800), 0u) << "not page aligned";
  EXPECT_EQ(Map(0xFC001000), 0u) << "another domain";
  EXPECT_EQ(Map(0x00001000), 0u) << "ordinary memory";

  const std::array<uint8_t, 4> word{0x9F, 0x01, 0x02, 0x03};
  EXPECT_EQ(Mem(qorio::kIoctlWriteMem, window + 0xB00, 4, qorio::LoadLe32(word.data()), {}).bytesReturned,
            4u);
  EXPECT_EQ(Mem(qorio::kIoctlWriteMem, window + 0xB04, 1, 0x2C, {}).bytesReturned, 1u);
  EXPECT_EQ(ResourceByte("0000:03:00.0", 0x1B00), 0x9F);
  EXPECT_EQ(ResourceByte("0000:03:00.0", 0x1B03), 0x03);
  EXPECT_EQ(ResourceByte("0000:03:00.0", 0x1B04), 0x2C);
  std::array<uint8_t, 4> data{};
  EXPECT_EQ(Mem(qorio::kIoctlReadMem, window + 0xB00, 4, 0, data).bytesReturned, 4u);
  EXPECT_EQ(data, word);

  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, window + 0xFFE, 4, 0, data).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, 0xFE001B00, 4, 0, data).succeeded)
      << "a physical address is no window";
  EXPECT_TRUE(Mem(qorio::kIoctlUnmap, window, 0x1000, 0, {}).succeeded);
  EXPECT_FALSE(Mem(qorio::kIoctlReadMem, window + 0xB00, 4, 0, data).succeeded);
}

// The access mode (O_RDONLY, O_RDWR) of this process's descriptors open on the file.
std::vector<int> AccessModesOfOpenDescriptors(const fs::path& file) {
  std::vector<int> modes;
  const fs::path wanted = fs::canonical(file);
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd", ec)) {
    if (fs::read_symlink(entry.path(), ec) != wanted) continue;
    std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
    for (std::string key; info >> key;) {
      if (key == "flags:") {
        std::string octal;
        info >> octal;
        modes.push_back(static_cast<int>(std::stol(octal, nullptr, 8)) & O_ACCMODE);
        break;
      }
    }
  }
  return modes;
}

TEST(LinuxPciDriver, OpensOnlySupportedControllersConfigurationForWriting) {
  FakeSysfsTree tree;
  tree.Add({"0000:00:00.0", 0x8086, 0x1237, 0, false, true, true});
  tree.Add({"0000:00:1f.0", 0x8086, 0x2918, 0, false, true, true});
  tree.Add({"0000:03:00.0", 0x1E9C, 0x5844, 0xFE000000, true});
  const auto driver = MakeLinuxPciDriver(tree.root().string());
  std::string error;
  ASSERT_TRUE(driver->Start(error)) << "read-only files of other functions: " << error;
  EXPECT_EQ(AccessModesOfOpenDescriptors(tree.ConfigPath("0000:00:00.0")), std::vector<int>{O_RDONLY});
  EXPECT_EQ(AccessModesOfOpenDescriptors(tree.ConfigPath("0000:00:1f.0")), std::vector<int>{O_RDONLY});
  EXPECT_EQ(AccessModesOfOpenDescriptors(tree.ConfigPath("0000:03:00.0")), std::vector<int>{O_RDWR});

  const auto input = qorio::Encode(qorio::PortRecord{0xCF8, 4, 0x8000F800});  // 00:1f.0
  ASSERT_TRUE(driver->Device().DeviceIoControl(qorio::kIoctlSetPort, input, {}).succeeded);
  std::array<uint8_t, 4> output{};
  const auto lane = qorio::Encode(qorio::PortRecord{0xCFE, 1, 0});
  ASSERT_TRUE(driver->Device().DeviceIoControl(qorio::kIoctlGetPort, lane, output).succeeded);
  EXPECT_EQ(output[0], 0x18) << "device ID 0x2918, low byte";
  driver->Stop();
  EXPECT_TRUE(AccessModesOfOpenDescriptors(tree.ConfigPath("0000:03:00.0")).empty()) << "closed at stop";
}

TEST(LinuxPciDriver, AMissingDeviceDirectoryFailsTheStart) {
  auto driver = MakeLinuxPciDriver("/nonexistent/sysfs/devices");
  std::string error;
  EXPECT_FALSE(driver->Start(error));
  EXPECT_NE(error.find("/nonexistent/sysfs/devices"), std::string::npos);
  std::array<uint8_t, 4> output{};
  EXPECT_FALSE(driver->Device().DeviceIoControl(qorio::kIoctlGetPort, {}, output).succeeded);
}

// The real machine's lock lives in the system's run directory for locks, or
// in /tmp where that cannot be written; a test's tree has its own.
TEST(LinuxInstanceLockName, RunDirectoryElseTmpAndATestTreeOfItsOwn) {
  const fs::path writable = fs::temp_directory_path();
  EXPECT_EQ(LinuxInstanceLockName(kSysfsPciDevices, writable.string()),
            (writable / "tamselwin.lock").string());
  EXPECT_EQ(LinuxInstanceLockName(kSysfsPciDevices, "/no/such/run/lock"), "/tmp/tamselwin.lock");
  EXPECT_EQ(LinuxInstanceLockName("/tmp/fake/sys/devices"), "/tmp/fake/sys/.tamselwin.lock");
  EXPECT_EQ(LinuxInstanceLockName("/tmp/fake/sys/devices/"), "/tmp/fake/sys/.tamselwin.lock");
}

}  // namespace
}  // namespace tamsel
