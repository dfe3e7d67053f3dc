#include "platform/in_process_service_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tamsel {
namespace {

namespace fs = std::filesystem;

struct CountingDriver final : InProcessDriver, DeviceIoEnd {
  bool refuse = false;
  int starts = 0;
  int stops = 0;
  bool Start(std::string& error) override {
    ++starts;
    if (refuse) error = "no access";
    return !refuse;
  }
  void Stop() override { ++stops; }
  DeviceIoEnd& Device() override { return *this; }
  DeviceIoReply DeviceIoControl(uint32_t, std::span<const uint8_t>, std::span<uint8_t>) override {
    return {};
  }
};

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("tamsel-registry-" + std::to_string(::getpid()));
    fs::create_directories(directory_);
    std::ofstream(directory_ / "QorIo.sys") << "driver";
  }
  void TearDown() override { fs::remove_all(directory_); }
  std::string Path(const char* name) { return (directory_ / name).string(); }

  fs::path directory_;
  CountingDriver driver_;
  InProcessServiceRegistry registry_{driver_, "\\\\.\\QorIO"};
};

TEST_F(Registry, StartsWhenTheBinaryPathNamesAFileWithoutRegardToCase) {
  ASSERT_TRUE(registry_.CreateDriverService("QORIO", Path("qorio.sys")));
  EXPECT_EQ(registry_.StartDriverService("qorio"), ServiceStartResult::kStarted);
  EXPECT_EQ(registry_.StartDriverService("QORIO"), ServiceStartResult::kAlreadyRunning);
  EXPECT_EQ(driver_.starts, 1);
  EXPECT_EQ(registry_.OpenDevice("\\\\.\\qorio"), &driver_);
  EXPECT_EQ(registry_.OpenDevice("\\\\.\\Other"), nullptr);
}

TEST_F(Registry, StartFailsWithoutTheFileOrWhenTheDriverRefuses) {
  ASSERT_TRUE(registry_.CreateDriverService("QORIO", Path("QorIo64.sys")));
  EXPECT_EQ(registry_.StartDriverService("QORIO"), ServiceStartResult::kFailed);
  EXPECT_NE(registry_.LastError().find("QorIo64.sys"), std::string::npos);
  EXPECT_EQ(driver_.starts, 0);
  EXPECT_EQ(registry_.OpenDevice("\\\\.\\QorIO"), nullptr);

  ASSERT_TRUE(registry_.DeleteDriverService("QORIO"));
  ASSERT_TRUE(registry_.CreateDriverService("QORIO", Path("QorIo.sys")));
  driver_.refuse = true;
  EXPECT_EQ(registry_.StartDriverService("QORIO"), ServiceStartResult::kFailed);
  EXPECT_EQ(registry_.LastError(), "no access");
  EXPECT_EQ(registry_.OpenDevice("\\\\.\\QorIO"), nullptr);
}

TEST_F(Registry, CreateStopAndDeleteFollowTheServiceState) {
  EXPECT_FALSE(registry_.StopDriverService("QORIO"));
  EXPECT_FALSE(registry_.DeleteDriverService("QORIO"));
  ASSERT_TRUE(registry_.CreateDriverService("QORIO", Path("QorIo.sys")));
  EXPECT_FALSE(registry_.CreateDriverService("qorio", Path("QorIo.sys"))) << "exists already";
  EXPECT_FALSE(registry_.StopDriverService("QORIO")) << "not running";
  ASSERT_EQ(registry_.StartDriverService("QORIO"), ServiceStartResult::kStarted);
  EXPECT_TRUE(registry_.StopDriverService("QORIO"));
  EXPECT_EQ(driver_.stops, 1);
  EXPECT_EQ(registry_.OpenDevice("\\\\.\\QorIO"), nullptr);
  ASSERT_EQ(registry_.StartDriverService("QORIO"), ServiceStartResult::kStarted);
  EXPECT_TRUE(registry_.DeleteDriverService("QORIO")) << "deleting a running service stops it";
  EXPECT_EQ(driver_.stops, 2);
  EXPECT_EQ(registry_.StartDriverService("QORIO"), ServiceStartResult::kFailed);
}

TEST(FileExistsIgnoringCase, MatchesTheLastComponentOnly) {
  const fs::path directory = fs::temp_directory_path() / ("tamsel-case-" + std::to_string(::getpid()));
  fs::create_directories(directory / "Sub");
  std::ofstream(directory / "Sub" / "QorIo64.sys") << "x";
  EXPECT_TRUE(FileExistsIgnoringCase((directory / "Sub" / "QORIO64.SYS").string()));
  EXPECT_FALSE(FileExistsIgnoringCase((directory / "sub" / "QorIo64.sys").string()));
  EXPECT_FALSE(FileExistsIgnoringCase((directory / "Sub").string())) << "a directory is no driver file";
  fs::remove_all(directory);
}

}  // namespace
}  // namespace tamsel
