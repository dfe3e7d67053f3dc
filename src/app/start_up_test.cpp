#include "app/start_up.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/command_line.h"
#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "hw/hardware_operations.h"
#include "platform/trace.h"
#include "platform/trace_capture.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

// Records what start-up asks of the dialog. No machine is bound here, so the
// driver never loads and start-up stops after the settings and the options.
class RecordingStartUpDialog final : public StartUpDialog {
 public:
  void vResetListRows(uint8_t&) override {}
  void vSetListCell(int, int, const std::string&) override {}
  void vSetStatusCellPass(int, const std::string&) override {}
  void vSetStatusCellFail(int, const std::string&) override {}
  void vRefreshDevCheckBoxes(int) override {}
  void vDisableDialogControls() override {}
  void vEnableDialogControls() override {}
  void vStartRunProgress(int) override {}
  void vStepRunProgress(int, int, bool) override {}
  void vPumpMessages() override {}
  void ShowWarning(const std::string& text) override { messages.push_back(text); }
  void EndDialog(int) override { ended = true; }
  void SetWindowTitle(const std::string& text) override { title = text; }
  void HideWindow() override { hidden = true; }
  void ShowInformation(const std::string& text) override { messages.push_back(text); }
  void StartBusyNotice() override { busyNotice = true; }
  void vCloseWarnThread() override {}
  void SetFwPathEdit(const std::string&) override {}
  void ApplyOperationBoxesFromSettings() override {}
  void vInitListColumns() override {}
  void RequestQuit(int code) override { exitCode = code; }
  void TakeCancelPath() override { cancelled = true; }
  bool CanLeaveToOperator() const override { return operatorPresent; }

  std::vector<std::string> messages;
  std::string title;
  bool hidden = false;
  bool busyNotice = false;
  bool ended = false;
  bool cancelled = false;
  bool operatorPresent = false;
  int exitCode = -1;
};

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

}  // namespace
}  // namespace tamsel
