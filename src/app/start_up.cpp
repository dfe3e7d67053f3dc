#include "app/start_up.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/command_line.h"
#include "app/exit_code.h"
#include "files/embedded_files.h"
#include "files/file_access.h"
#include "files/history_log.h"
#include "files/result_files.h"
#include "hw/hardware_operations.h"
#include "platform/failure_report.h"
#include "platform/hardware_platform.h"
#include "platform/instance_lock.h"
#include "platform/trace.h"
#include "run/device_inventory.h"
#include "run/run_controller.h"

namespace tamsel {

std::string g_strInitCmd;

namespace {

constexpr const char* kRoutine = "CTamselDlg::OnInitDialog";

// The working directory, whole: a directory cut to a fixed length would name
// another place. Empty when it cannot be read (paths then stay relative).
std::string CurrentDirectory() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

// The settings file's path as the record keeps it: the full path when it fits
// the record's 254 characters, else the bare name, which names the same file
// because the working directory is the start-up directory.
std::string RecordedIniPath(const std::string& fullPath) {
  return fullPath.size() <= kFixedTextMaxLength ? fullPath : std::string(kIniFileName);
}

// Sets the trace level from /DBG, taking the option out of the text.
void ApplyTraceLevel(std::string& text) {
  std::string level;
  if (GetOptionValue(text, "/DBG", level)) {
    g_nDebugLevel = vCharToHex(level) & 0xFF;
  }
}

void ShowUsage(StartUpDialog& dialog) {
  dialog.ShowInformation(kUsageText);
  dialog.RequestQuit(kExitUsageShown);
}

// One instance per machine. A start while another instance works on the same
// machine ends here, before anything is written (no history line, no carried
// file, no verdict), except that /? still shows its usage. False when
// start-up ends here.
bool TakeInstanceLock(ProductionState& state, StartUpDialog& dialog) {
  const HardwarePlatform* platform = BoundHardwarePlatform();
  const std::string name = platform != nullptr ? platform->InstanceLockName() : std::string();
  if (name.empty()) {
    return true;  // a platform that drives no machine of its own
  }
  InstanceLockAttempt attempt = TryLockInstance(name);
  if (attempt.lock) {
    state.instanceLock = std::move(attempt.lock);
    return true;
  }
  if (HasOption(g_strInitCmd, "/?")) {
    ShowUsage(dialog);
    return false;
  }
  std::string levelText = g_strInitCmd;  // the refusal's trace honours /DBG already
  ApplyTraceLevel(levelText);
  const std::string text = attempt.heldElsewhere
                               ? "Another TamselWin is already working on this machine (it holds " + name +
                                     "); this start changes nothing."
                               : "Cannot take the instance lock " + name + ": " +
                                     SystemErrorText(attempt.error) + "; this start changes nothing.";
  ReportFailure(kRoutine, __LINE__, text);
  if (dialog.CanLeaveToOperator()) {
    dialog.ShowWarning(text);
  }
  dialog.RequestQuit(kExitAnotherInstance);
  return false;
}

// The command-line text, the instance lock, the console, /?, /S and /DBG.
// False when start-up ends here (usage shown, or another instance runs).
bool ReadEarlyOptions(const std::vector<std::string>& arguments, ProductionState& state,
                      StartUpDialog& dialog) {
  g_strInitCmd = BuildInitCmd(arguments);
  vDEBUG_Initial_printf();
  ToUpperAscii(g_strInitCmd);
  if (!TakeInstanceLock(state, dialog)) {
    return false;
  }
  if (HasOption(g_strInitCmd, "/CMD")) {
    state.options.m_bCmdMode = true;
    // The process's own standard streams serve as the console; unbuffered so
    // progress and history interleave with the messages on standard error.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    vWriteHistory("g_strInitCmd=[%s]\n", g_strInitCmd.c_str());
    RemoveOption(g_strInitCmd, "/CMD", true);
  }
  if (HasOption(g_strInitCmd, "/?")) {
    ShowUsage(dialog);
    return false;
  }
  if (HasOption(g_strInitCmd, "/S")) {
    state.options.m_bSilent = true;
    dialog.HideWindow();
    RemoveOption(g_strInitCmd, "/S", true);
  }
  ApplyTraceLevel(g_strInitCmd);
  return true;
}

// Deletes the verdict of an earlier start. One that stays is reported: a
// script must not take it for this start's verdict.
void DeleteOldVerdict(const std::string& directory) {
  const std::string path = JoinPath(directory, kResultFileName);
  int error = 0;
  if (!DeleteFileIfPresent(path, error)) {
    ReportFailure(kRoutine, __LINE__,
                  "Cannot delete " + path + " left from an earlier start: " + SystemErrorText(error));
  }
}

// The start-up directory, file-check status, old verdict gone,
// settings read.
void ReadSettings(ProductionState& state) {
  state.m_szStartDir = CurrentDirectory();
  state.firmware.iCheckFwStatus = kCheckFwNotChecked;
  DeleteOldVerdict(state.m_szStartDir);
  const std::string iniPath = JoinPath(state.m_szStartDir, kIniFileName);
  LoadINIFile(iniPath, state.m_pINI, state.restriction);
  SetFixedText(state.m_pINI.iniPath, RecordedIniPath(iniPath));
}

// /O, /C:, /P, /A and /L. False when start-up ends here (/L without a version).
bool ReadLateOptions(ProductionState& state, StartUpDialog& dialog) {
  ProgramOptions& options = state.options;
  if (HasOption(g_strInitCmd, "/O")) {
    options.m_bOutputFWVer = true;
    RemoveOption(g_strInitCmd, "/O", true);
  }
  options.m_bCheckFWVer = GetOptionValue(g_strInitCmd, "/C:", options.m_strCheckFWVer);
  if (HasOption(g_strInitCmd, "/P")) {
    options.m_bDisablePM = true;
    RemoveOption(g_strInitCmd, "/P", true);
  }
  if (HasOption(g_strInitCmd, "/A")) {
    options.m_bAutoMode = true;
    RemoveOption(g_strInitCmd, "/A", false);
  }
  if (HasOption(g_strInitCmd, "/L")) {
    state.restriction.m_bLimitFWVer = 1;
    RemoveOption(g_strInitCmd, "/L", true);
    state.restriction.strLimitFWVer = g_strInitCmd;
    ToUpperAscii(state.restriction.strLimitFWVer);
    if (state.restriction.strLimitFWVer.empty()) {
      dialog.ShowWarning("Please Input FW Version!!\r\n");
      UnloadQorIODriver();
      dialog.RequestQuit(kExitQuitRequested);
      return false;
    }
  }
  return true;
}

// The driver could not be loaded: the message keeps its words and gains the
// reason as a second line; the reason also goes to the error trace and to
// standard error, where a line engineer finds it without a window.
void ReportDriverNotLoaded(const std::string& reason, StartUpDialog& dialog) {
  constexpr const char* kMessage = "LoadQorIODriver Error !!";
  ReportFailure(kRoutine, __LINE__, std::string(kMessage) + " " + reason);
  dialog.ShowWarning(reason.empty() ? std::string(kMessage) : std::string(kMessage) + "\r\n" + reason);
}

// Where start-up would leave the dialog to an operator: when nobody can see
// it (silent mode, no display) the Cancel path ends the program instead.
void LeaveToOperator(StartUpDialog& dialog) {
  if (!dialog.CanLeaveToOperator()) {
    dialog.TakeCancelPath();
  }
}

}  // namespace

void RunStartUp(const std::vector<std::string>& arguments, ProductionState& state, StartUpDialog& dialog) {
  dialog.SetWindowTitle(kWindowTitle);
  if (!ReadEarlyOptions(arguments, state, dialog)) {
    return;
  }
  vExtractResourceFiles(state.carriedFiles, CurrentDirectory(), state.m_strFWBinFile);
  if (!state.options.m_bSilent) {
    dialog.StartBusyNotice();
  }
  ReadSettings(state);
  if (!ReadLateOptions(state, dialog)) {
    return;
  }
  UnloadQorIODriver();
  std::string reason;
  if (!LoadQorIODriver(reason)) {
    ReportDriverNotLoaded(reason, dialog);
    LeaveToOperator(dialog);
    return;
  }
  InitDevProcess(state.devices);
  dialog.vRefreshDevCheckBoxes(kDevBoxesAfterScan);
  dialog.SetFwPathEdit(FixedTextString(state.m_pINI.load_fw));
  if (state.options.m_bOutputFWVer) {
    TRACE_MSG(kRoutine, " Output Firmware Version to file");
    nOutputVerTextFile(state.m_szStartDir, state.devices);
    UnloadQorIODriver();
    dialog.RequestQuit(kExitQuitRequested);
    return;
  }
  dialog.ApplyOperationBoxesFromSettings();
  dialog.vInitListColumns();
  vFillDeviceRows(state.devices, dialog);
  dialog.vCloseWarnThread();
  if (state.devices.uc584Host == 0) {
    TRACE_ERR(kRoutine, " Error!! uc584Host = %d", 0);
    dialog.ShowWarning("Can not find QOR584x !!\r\n");
    LeaveToOperator(dialog);
    return;
  }
  TRACE_MSG(kRoutine, " Go m_bAutoMode = %d", 1);
  OnBnClickedButtonStart(state, dialog);
}

}  // namespace tamsel
