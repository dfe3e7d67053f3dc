// The Linux driver against this machine's real PCI bus.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hw/device_table.h"
#include "hw/hardware_operations.h"
#include "platform/linux_pci_driver.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

struct ListedFunction {
  unsigned bus, device, function, vendorId, deviceId;
};

// What `lspci -n` lists in domain 0, or nothing when it cannot run.
std::vector<ListedFunction> Lspci() {
  std::vector<ListedFunction> listed;
  FILE* pipe = popen("lspci -n 2>/dev/null", "r");
  if (pipe == nullptr) return listed;
  char line[256];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    ListedFunction f{};
    unsigned classCode = 0;
    if (std::sscanf(line, "%x:%x.%x %x: %x:%x", &f.bus, &f.device, &f.function, &classCode, &f.vendorId,
                    &f.deviceId) == 6) {
      listed.push_back(f);
    }
  }
  pclose(pipe);
  return listed;
}

class RealBus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(kSysfsPciDevices)) GTEST_SKIP() << "no " << kSysfsPciDevices;
    directory_ = fs::temp_directory_path() / ("tamsel-realbus-" + std::to_string(::getpid()));
    fs::create_directories(directory_);
    std::ofstream(directory_ / "QorIo64.sys") << "driver";
    std::ofstream(directory_ / "QorIo.sys") << "driver";
    platform_ = MakeLinuxHardwarePlatform();
    BindHardwarePlatform(platform_.get());
    SetQorIODriverDirectory(directory_.string());
  }
  void TearDown() override {
    UnloadQorIODriver();
    BindHardwarePlatform(nullptr);
    SetQorIODriverDirectory({});
    if (!directory_.empty()) fs::remove_all(directory_);
  }

  std::unique_ptr<HardwarePlatform> platform_;
  fs::path directory_;
};

// Without root a supported controller's configuration file cannot be opened
// for writing, so the load fails and says why; it succeeds only where no
// supported controller sits (the other functions' files are opened read-only).
TEST_F(RealBus, LoadsAsRootAndOffersNoControllerWithoutRoot) {
  std::string reason;
  const bool loaded = LoadQorIODriver(reason);
  if (geteuid() == 0) {
    EXPECT_TRUE(loaded) << reason;
  } else if (loaded) {
    DeviceTable table;
    Scan584Dev(table);
    EXPECT_EQ(table.uc584Host, 0);
  } else {
    EXPECT_NE(reason.find("(the driver needs root)"), std::string::npos) << reason;
  }
}

TEST_F(RealBus, ReadsTheIdsLspciShowsAndFindsNoSupportedController) {
  if (geteuid() != 0) GTEST_SKIP() << "the driver needs root";
  const std::vector<ListedFunction> listed = Lspci();
  if (listed.empty()) GTEST_SKIP() << "lspci -n lists nothing here";
  ASSERT_TRUE(LoadQorIODriver());
  for (const ListedFunction& f : listed) {
    const auto bus = static_cast<uint8_t>(f.bus), device = static_cast<uint8_t>(f.device),
               function = static_cast<uint8_t>(f.function);
    const unsigned vendorId =
        PciReadConfigByte(bus, device, function, 1) << 8 | PciReadConfigByte(bus, device, function, 0);
    const unsigned deviceId =
        PciReadConfigByte(bus, device, function, 3) << 8 | PciReadConfigByte(bus, device, function, 2);
    EXPECT_EQ(vendorId, f.vendorId) << f.bus << ":" << f.device << "." << f.function;
    EXPECT_EQ(deviceId, f.deviceId) << f.bus << ":" << f.device << "." << f.function;
  }
  DeviceTable table;
  Scan584Dev(table);
  EXPECT_EQ(table.uc584Host, 0);
  EXPECT_EQ(PciReadConfigByte(0xFE, 0x1F, 7, 0), 0xFF) << "an absent function";
}

TEST_F(RealBus, RefusesToMapMemoryOutsideASupportedController) {
  if (geteuid() != 0) GTEST_SKIP() << "the driver needs root";
  ASSERT_TRUE(LoadQorIODriver());
  EXPECT_EQ(MapMem(0x00001000), 0u);
  EXPECT_EQ(MapMem(0xFEC00000), 0u);
}

}  // namespace
}  // namespace tamsel
