#include "platform/linux_pci_driver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/qorio_requests.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

// A sysfs device tree in a temporary directory: regular files stand in for
// the configuration space and the BAR0 resource file.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tamsel-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    AddFunction("0000:00:00.0", 0x8086, 0x1237, 0);
    AddFunction("0000:03:00.0", 0x1E9C, 0x5844, 0xFE000000);
    AddFunction("0000:05:00.0", 0x8086, 0x2922, 0xFD000000);
    AddFunction("0001:03:00.0", 0x1E9C, 0x5844, 0xFC000000);  // another domain: not reachable through 0xCF8
    driver_ = MakeLinuxPciDriver(root_.string());
    std::string error;
    ASSERT_TRUE(driver_->Start(error)) << error;
  }
  void TearDown() override {
    driver_.reset();
    fs::remove_all(root_);
  }

  void AddFunction(const std::string& name, uint16_t vendorId, uint16_t deviceId, uint32_t bar0) {
    const fs::path dir = root_ / name;
    fs::create_directories(dir);
    std::vector<char> config(256, 0);
    config[0] = static_cast<char>(vendorId);
    config[1] = static_cast<char>(vendorId >> 8);
    config[2] = static_cast<char>(deviceId);
    config[3] = static_cast<char>(deviceId >> 8);
    qorio::StoreLe32(reinterpret_cast<uint8_t*>(&config[0x10]), bar0);
    std::ofstream(dir / "config", std::ios::binary).write(config.data(), 256);
    char line[128];
    std::snprintf(line, sizeof line, "0x%016x 0x%016x 0x%016x\n", bar0, bar0 + 0xFFFF, bar0 ? 0x40200 : 0);
    std::ofstream(dir / "resource") << line << "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
    if (bar0 != 0)
      std::ofstream(dir / "resource0", std::ios::binary).write(std::vector<char>(0x10000, 0).data(), 0x10000);
  }

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
    std::ifstream in(root_ / name / "resource0", std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    return static_cast<uint8_t>(in.get());
  }

  fs::path root_;
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
