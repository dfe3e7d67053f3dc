#include "app/start_up.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <span>
#include <string_view>

#include "app/command_line.h"
#include "app/recording_start_up_dialog.h"
#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "hw/hardware_operations.h"
#include "imagegen/image_builder.h"
#include "platform/fake_sysfs_tree.h"
#include "platform/linux_pci_driver.h"
#include "platform/trace.h"
#include "platform/trace_capture.h"
#include "run/op_status.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

// No machine is bound here unless a test binds one, so the driver never loads
// and start-up stops after the settings and the options.
class StartUp : public ::testing::Test {
 protected:
  StartUp() : previous_(std::filesystem::current_path()), level_(g_nDebugLevel) {
    std::filesystem::current_path(work_.dir());
    History().SetEcho(nullptr);
    BindHardwarePlatform(nullptr);
  }
  ~StartUp() override {
    History().SetEcho(stdout);
    std::filesystem::current_path(previous_);
    g_nDebugLevel = level_;
  }
  bool WorkDirectoryEmpty() const { return std::filesystem::is_empty(work_.dir()); }
  std::string ReadWorkFile(std::string_view name) const { return work_.Read(name); }
  // The day's production log: the one file named like "20250613.log".
  std::string ProductionLog() const {
    for (const auto& entry : std::filesystem::directory_iterator(work_.dir())) {
      const std::string name = entry.path().filename().string();
      if (name.size() == 12 && name.ends_with(".log") && name.find_first_not_of("0123456789") == 8) {
        return work_.Read(name);
      }
    }
    return {};
  }

  ProductionState state;
  RecordingStartUpDialog dialog;

 private:
  ScratchDirectory work_;
  std::filesystem::path previous_;
  int level_;
};

TEST_F(StartUp, OptionsAreTakenOutOfTheCommandLineInOrder) {
  struct Case {
    std::vector<std::string> arguments;
    bool silent;
    int level;
    const char* limit;
    const char* checkValue;
  };
  const Case cases[] = {
      {{"/l", "1.0", "/C:1234"}, false, 0, "1.0", "1234"},
      {{"/s", "/dbg:3"}, true, 3, "", ""},
      {{"/DBG", "3", "/L"}, false, 0, "3", ""},
      {{"/L", "my_ver", "/DBG:A"}, false, 10, "MYVER", ""},
      {{"/L", "1.2b", "/S", "/X"}, true, 0, "1.2B  /X", ""},
  };
  for (const Case& c : cases) {
    ProductionState fresh;
    RecordingStartUpDialog recorder;
    g_nDebugLevel = 0;
    RunStartUp(c.arguments, fresh, recorder);
    EXPECT_EQ(fresh.options.m_bSilent, c.silent) << c.arguments[0];
    EXPECT_EQ(recorder.hidden, c.silent) << c.arguments[0];
    EXPECT_EQ(recorder.busyNotice, !c.silent) << c.arguments[0];
    EXPECT_EQ(g_nDebugLevel, c.level) << c.arguments[0];
    EXPECT_EQ(fresh.restriction.strLimitFWVer, c.limit) << c.arguments[0];
    EXPECT_EQ(fresh.restriction.m_bLimitFWVer, c.limit[0] != '\0' ? 1 : 0) << c.arguments[0];
    EXPECT_EQ(fresh.options.m_strCheckFWVer, c.checkValue) << c.arguments[0];
    EXPECT_TRUE(fresh.options.m_bAutoMode);
    EXPECT_EQ(fresh.firmware.iCheckFwStatus, 16u);
  }
}

TEST_F(StartUp, UsageEndsBeforeAnythingIsDone) {
  RunStartUp({"/O", "/?"}, state, dialog);
  EXPECT_EQ(dialog.exitCode, kExitUsageShown);
  ASSERT_EQ(dialog.messages.size(), 1u);
  EXPECT_EQ(dialog.messages[0], kUsageText);
  EXPECT_FALSE(dialog.busyNotice);
  EXPECT_TRUE(WorkDirectoryEmpty());
  EXPECT_EQ(dialog.title, kWindowTitle);
}

TEST_F(StartUp, DriverThatCannotLoadEndsThroughCancelWhenNobodyCanSee) {
  for (const bool operatorPresent : {false, true}) {
    ProductionState fresh;
    RecordingStartUpDialog recorder;
    recorder.operatorPresent = operatorPresent;
    RunStartUp({}, fresh, recorder);
    EXPECT_EQ(recorder.messages,
              std::vector<std::string>{"LoadQorIODriver Error !!\r\nno hardware is bound"});
    EXPECT_EQ(recorder.cancelled, !operatorPresent);
    EXPECT_EQ(recorder.exitCode, -1);
  }
}

// The simulated machine's own fault is what the operator and the error trace are told.
TEST_F(StartUp, TheReasonTheDriverCannotLoadIsShownAndTraced) {
  sim::TestMachineSetup setup;
  setup.machineJson = R"({"controllers": [ {"location": )";
  setup.loadDriver = false;
  const sim::TestMachine machine(setup);
  ASSERT_NE(machine.error(), "");
  const TraceCapture trace(1);
  RunStartUp({"/s"}, state, dialog);
  const std::string reason = "cannot start the service QORIO: " + machine.error();
  EXPECT_EQ(dialog.messages, std::vector<std::string>{"LoadQorIODriver Error !!\r\n" + reason});
  EXPECT_TRUE(trace.Contains("ERR::CTamselDlg::OnInitDialog:"));
  EXPECT_TRUE(trace.Contains("LoadQorIODriver Error !! " + reason));
  EXPECT_TRUE(dialog.cancelled);
}

TEST_F(StartUp, RestrictionWithoutVersionQuits) {
  RunStartUp({"/l", "/s"}, state, dialog);
  EXPECT_EQ(dialog.messages, std::vector<std::string>{"Please Input FW Version!!\r\n"});
  EXPECT_EQ(dialog.exitCode, kExitQuitRequested);
}

// The files a build without the real image carries: the settings file, the
// generated stand-in image and stand-ins for the drivers and the tool.
class StandInCarriedFiles {
 public:
  StandInCarriedFiles()
      : image_(BuildImage()),
        settings_(ScratchDirectory::ReadFile(std::string(TAMSEL_SOURCE_DIR) + "/resources/584upd.ini")) {}

  EmbeddedTable table() {
    blocks_ = {{{kBlockDriver32, Bytes(kStandInFile)},
                {kBlockDriver64, Bytes(kStandInFile)},
                {kBlockSettings, Bytes(settings_)},
                {kBlockFirmwareName, Bytes(kImageName)},
                {kBlockFirmwareImage, image_},
                {kBlockDeviceConsole, Bytes(kStandInFile)}}};
    return blocks_;
  }

 private:
  static constexpr std::string_view kStandInFile = "stand-in\r\n";
  static constexpr std::string_view kImageName = "1300BC00.ROM\r\n";
  static std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
  }

  std::vector<uint8_t> image_;
  std::string settings_;
  std::array<EmbeddedBlock, 6> blocks_{};
};

// On the real bus (here a sysfs tree with one supported controller whose
// BAR0 cannot be mapped) the automatic run refuses the carried stand-in
// before anything is erased, and says why.
TEST_F(StartUp, TheCarriedStandInIsNeverWrittenToRealHardware) {
  FakeSysfsTree tree;
  tree.Add({"0000:00:00.0", 0x8086, 0x1237, 0});
  tree.Add({"0000:03:00.0", 0x1E9C, 0x5844, 0xFE000000, true, false});
  const std::vector<uint8_t> configBefore = tree.Config("0000:03:00.0");
  const auto platform = MakeLinuxHardwarePlatform(tree.root().string());
  BindHardwarePlatform(platform.get());
  StandInCarriedFiles carried;
  state.carriedFiles = carried.table();
  state.carriedImage = CarriedImageKind::kStandIn;
  RunStartUp({"/S"}, state, dialog);
  BindHardwarePlatform(nullptr);

  ASSERT_EQ(state.devices.uc584Host, 1);
  EXPECT_EQ(state.devices.slots[0].status, op_status::kInvalidRomFile);
  EXPECT_TRUE(state.firmware.standInRefused);
  EXPECT_EQ(ReadWorkFile("result.log"), "Fail\r\n");
  EXPECT_NE(ProductionLog().find("\tFail\tFail\t"), std::string::npos) << ProductionLog();
  ASSERT_FALSE(dialog.messages.empty());
  EXPECT_TRUE(dialog.messages.back().starts_with("QOR584xFWUpgrade Fail() !\n")) << dialog.messages.back();
  EXPECT_NE(
      dialog.messages.back().find("is the built-in stand-in image, not firmware for a real controller."),
      std::string::npos);
  EXPECT_NE(dialog.messages.back().find("TAMSEL_BLOB_DIR"), std::string::npos);
  EXPECT_EQ(tree.Config("0000:03:00.0"), configBefore);
}

TEST_F(StartUp, TheCarriedStandInIsFlashedOnTheSimulator) {
  sim::TestMachine machine;
  ASSERT_TRUE(machine.loaded()) << machine.error();
  StandInCarriedFiles carried;
  state.carriedFiles = carried.table();
  state.carriedImage = CarriedImageKind::kStandIn;
  RunStartUp({"/S"}, state, dialog);

  ASSERT_EQ(state.devices.uc584Host, 2);
  EXPECT_EQ(state.devices.slots[0].status, op_status::kUpdatePass);
  EXPECT_EQ(state.devices.slots[1].status, op_status::kUpdatePass);
  EXPECT_FALSE(state.firmware.standInRefused);
  EXPECT_EQ(ReadWorkFile("result.log"), "Pass\r\n");
  const std::vector<uint8_t> image = BuildImage();
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 0x300, machine.flash(0).begin()));
}

}  // namespace
}  // namespace tamsel
