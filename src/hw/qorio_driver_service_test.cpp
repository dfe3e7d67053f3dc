// Why the driver could not be loaded: each failing step of the load names
// itself and passes on the service seam's own words.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "hw/hardware_operations.h"
#include "platform/hardware_platform.h"
#include "platform/linux_pci_driver.h"
#include "platform/qorio_requests.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

enum class Step { kNone, kCreate, kStart, kOpen };

// A service seam that refuses one step, saying why as a service manager would.
class RefusingServices final : public DriverServiceControl, DeviceIoEnd {
 public:
  Step refuse = Step::kNone;

  bool CreateDriverService(const std::string&, const std::string&) override {
    return Answer(Step::kCreate, "access is denied");
  }
  ServiceStartResult StartDriverService(const std::string&) override {
    return Answer(Step::kStart, "the driver file is not signed") ? ServiceStartResult::kStarted
                                                                 : ServiceStartResult::kFailed;
  }
  bool StopDriverService(const std::string&) override { return Answer(Step::kNone, "not running"); }
  bool DeleteDriverService(const std::string&) override { return Answer(Step::kNone, "no such service"); }
  DeviceIoEnd* OpenDevice(const std::string&) override {
    return Answer(Step::kOpen, "the device is in use") ? this : nullptr;
  }
  void CloseDevice(DeviceIoEnd*) override {}
  const std::string& LastError() const override { return lastError_; }

  DeviceIoReply DeviceIoControl(uint32_t, std::span<const uint8_t>, std::span<uint8_t>) override {
    return {true, 4};
  }

 private:
  bool Answer(Step step, const char* error) {
    if (step != refuse) return true;
    lastError_ = error;
    return false;
  }
  std::string lastError_;
};

class RefusingPlatform final : public HardwarePlatform {
 public:
  RefusingServices services;
  DriverServiceControl& Services() override { return services; }
  TickClock& Ticks() override { return SteadyTickClock(); }
  bool IsSystem64Bit() const override { return true; }
  std::string InstanceLockName() const override { return {}; }
};

class DriverLoadReason : public ::testing::Test {
 protected:
  void SetUp() override { BindHardwarePlatform(&platform_); }
  void TearDown() override {
    UnloadQorIODriver();
    BindHardwarePlatform(nullptr);
    SetQorIODriverDirectory({});
  }
  RefusingPlatform platform_;
};

TEST_F(DriverLoadReason, NamesTheFailingStepAndTheServicesWords) {
  const struct {
    Step refused;
    std::string reason;
  } cases[] = {
      {Step::kCreate, "cannot create the service QORIO: access is denied"},
      {Step::kStart, "cannot start the service QORIO: the driver file is not signed"},
      {Step::kOpen, std::string("cannot open ") + qorio::kDevicePath + ": the device is in use"},
  };
  for (const auto& c : cases) {
    platform_.services.refuse = c.refused;
    std::string reason;
    EXPECT_FALSE(LoadQorIODriver(reason));
    EXPECT_FALSE(IsQorIODriverLoaded());
    EXPECT_EQ(reason, c.reason);
  }
}

TEST_F(DriverLoadReason, ALoadedDriverLeavesNoReason) {
  std::string reason = "left from before";
  EXPECT_TRUE(LoadQorIODriver(reason));
  EXPECT_EQ(reason, "");
}

TEST_F(DriverLoadReason, ADriverPathTooLongIsNamed) {
  const std::string directory = "/" + std::string(300, 'd');
  SetQorIODriverDirectory(directory);
  std::string reason;
  EXPECT_FALSE(LoadQorIODriver(reason));
  EXPECT_EQ(reason, "the driver path is longer than 260 characters: " + directory + "/QorIo64.sys");
}

TEST(DriverLoadReasonWithoutPlatform, SaysNothingIsBound) {
  BindHardwarePlatform(nullptr);
  std::string reason;
  EXPECT_FALSE(LoadQorIODriver(reason));
  EXPECT_EQ(reason, "no hardware is bound");
}

// The Linux driver over a sysfs tree whose function it cannot open: the
// reason names the configuration file and the system's error.
class LinuxDriverLoadReason : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tamsel-sysfs-load-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "drivers");
    std::ofstream(root_ / "drivers" / "QorIo64.sys") << "driver";
    std::ofstream(root_ / "drivers" / "QorIo.sys") << "driver";
    function_ = root_ / "devices" / "0000:03:00.0";
    fs::create_directories(function_);
    platform_ = MakeLinuxHardwarePlatform((root_ / "devices").string());
    BindHardwarePlatform(platform_.get());
    SetQorIODriverDirectory((root_ / "drivers").string());
  }
  void TearDown() override {
    UnloadQorIODriver();
    BindHardwarePlatform(nullptr);
    SetQorIODriverDirectory({});
    std::error_code error;
    fs::permissions(function_ / "config", fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(root_, error);
  }

  fs::path root_;
  fs::path function_;
  std::unique_ptr<HardwarePlatform> platform_;
};

TEST_F(LinuxDriverLoadReason, AConfigurationSpaceThatCannotBeReadIsNamed) {
  fs::create_directories(function_ / "config");  // a directory: no one can read IDs from it
  std::string reason;
  EXPECT_FALSE(LoadQorIODriver(reason));
  EXPECT_NE(reason.find("cannot start the service QORIO: cannot read " + (function_ / "config").string()),
            std::string::npos)
      << reason;
  EXPECT_NE(reason.find("Is a directory"), std::string::npos) << reason;
}

TEST_F(LinuxDriverLoadReason, WithoutRootTheReasonSaysTheDriverNeedsRoot) {
  if (geteuid() == 0) GTEST_SKIP() << "root opens any file";
  // A supported controller (1E9C:5844), whose configuration the driver opens for writing.
  std::ofstream(function_ / "config") << std::string("\x9C\x1E\x44\x58", 4) << std::string(252, '\0');
  fs::permissions(function_ / "config", fs::perms::owner_read);
  std::string reason;
  EXPECT_FALSE(LoadQorIODriver(reason));
  EXPECT_NE(reason.find("Permission denied (the driver needs root)"), std::string::npos) << reason;
}

}  // namespace
}  // namespace tamsel
