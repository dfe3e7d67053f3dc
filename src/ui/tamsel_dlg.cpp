#include "ui/tamsel_dlg.h"

#include <array>
#include <cstdio>

#include "app/start_up.h"
#include "files/file_access.h"
#include "files/firmware_check.h"
#include "platform/trace.h"
#include "run/device_inventory.h"
#include "run/dialog_endings.h"
#include "run/firmware_check_setting.h"
#include "run/run_controller.h"
#include "ui/busy_controls.h"
#include "ui/device_check_boxes.h"
#include "ui/operation_rules.h"

namespace tamsel {

namespace {

constexpr const char* kCloseRoutine = "CTamselDlg::vCloseWarnThread";
constexpr uint32_t kThreadStillActive = 259;
constexpr int kRescanSteps = 3;

const std::vector<ListColumn> kListColumns = {
    {"H#", 50},       {"Bus", 40},       {"Dev", 40},      {"Fun", 40},
    {"FW ver.", 150}, {"SPI Name", 150}, {"Capacity", 70}, {"Status", 255},
};

using ButtonHandler = void (CTamselDlg::*)();

struct ButtonBinding {
  ControlId id;
  ButtonHandler handler;
};

constexpr std::array<ButtonBinding, 6> kButtons = {{
    {ControlId::kFwBrowser, &CTamselDlg::OnBnClickedButtonFwpath},
    {ControlId::kStart, &CTamselDlg::OnBnClickedButtonStart},
    {ControlId::kRescan, &CTamselDlg::OnBnClickedButtonRescan},
    {ControlId::kCheckFw, &CTamselDlg::OnBnClickedButtonCheckFw},
    {ControlId::kClear, &CTamselDlg::OnBnClickedButtonClear},
    {ControlId::kSelectAll, &CTamselDlg::OnBnClickedButtonSelectAll},
}};

// The device whose check box the control is, or -1.
int DevBoxIndex(ControlId id) {
  for (int n = 0; n < static_cast<int>(kMaxDevices); ++n) {
    if (DevCheckBox(n) == id) {
      return n;
    }
  }
  return -1;
}

}  // namespace

CTamselDlg::CTamselDlg(View& view) : view_(view) {
  view_.AttachList(list_);
}

int CTamselDlg::DoModal(const std::vector<std::string>& arguments) {
  RunStartUp(arguments, state_, *this);
  if (ended_) {
    return result_;
  }
  inModalLoop_ = true;
  const int result = view_.RunModal(*this);
  inModalLoop_ = false;
  return ended_ ? result_ : result;
}

void CTamselDlg::vResetListRows(uint8_t& uc584Host) {
  list_.DeleteAllRows();
  if (uc584Host == 0) {
    list_.InsertRow("0");
  } else {
    if (uc584Host > kMaxDevices) {
      uc584Host = static_cast<uint8_t>(kMaxDevices);
    }
    for (int row = 0; row < uc584Host; ++row) {
      list_.InsertRow(std::to_string(row));
    }
  }
  view_.RefreshList();
}

void CTamselDlg::SetCell(int row, int column, const std::string& text, Rgb background) {
  list_.SetCellBackground(row, column, background);
  list_.SetCellText(row, column, text.substr(0, kCellTextMaxLength));
  view_.RefreshList();
}

void CTamselDlg::vSetListCell(int row, int column, const std::string& text) {
  SetCell(row, column, text, kCellColor);
}

void CTamselDlg::vSetStatusCellPass(int row, const std::string& text) {
  SetCell(row, kStatusColumn, text, kPassColor);
}

void CTamselDlg::vSetStatusCellFail(int row, const std::string& text) {
  SetCell(row, kStatusColumn, text, kFailColor);
}

void CTamselDlg::vRefreshDevCheckBoxes(int mode) {
  ApplyDevBoxStates(RefreshDevSelection(mode, state_.devices, state_.m_pINI.DEV), view_);
}

void CTamselDlg::vDisableDialogControls() {
  for (ControlId id : ControlsDisabledDuringWork()) {
    view_.SetEnabled(id, false);
  }
}

void CTamselDlg::vEnableDialogControls() {
  for (ControlId id : ControlsEnabledAfterWork()) {
    view_.SetEnabled(id, true);
  }
  SyncUpdateBoxes(view_, state_.m_pINI);
}

void CTamselDlg::SetProgress(int high, Rgb color, int position) {
  view_.SetProgressRange(0, high);
  view_.SetProgressColor(color);
  view_.SetProgressPosition(position);
}

void CTamselDlg::vStartRunProgress(int deviceCount) {
  SetProgress(deviceCount, kProgressColor, 0);
}

void CTamselDlg::vStepRunProgress(int deviceCount, int deviceIndex, bool anyFailure) {
  SetProgress(deviceCount, anyFailure ? kProgressFailColor : kProgressColor, deviceIndex + 1);
}

void CTamselDlg::vPumpMessages() {
  view_.PumpMessages();
}

void CTamselDlg::ShowWarning(const std::string& text) {
  view_.ShowMessageBox(text, kStandardCaption, MessageIcon::kExclamation);
}

void CTamselDlg::ShowMessage(const OperatorMessage& message) {
  view_.ShowMessageBox(message.text, message.caption, MessageIcon::kExclamation);
}

void CTamselDlg::EndDialog(int result) {
  ended_ = true;
  result_ = result;
  if (inModalLoop_) {
    view_.EndDialog(result);
  }
}

void CTamselDlg::SetWindowTitle(const std::string& title) {
  view_.SetTitle(title);
}

void CTamselDlg::HideWindow() {
  view_.Hide();
}

void CTamselDlg::ShowInformation(const std::string& text) {
  view_.ShowMessageBox(text, kStandardCaption, MessageIcon::kInformation);
}

void CTamselDlg::StartBusyNotice() {
  view_.ShowBusyNotice(kBusyNoticeText, kBusyNoticeCaption);
  busyNoticeStarted_ = true;
}

void CTamselDlg::vCloseWarnThread() {
  const bool wasOpen = view_.CloseWindowByTitle(kBusyNoticeCaption);
  if (!busyNoticeStarted_) {
    return;
  }
  // The notice lives on the dialog's thread here; the traces keep the record
  // of the thread the notice once had: still active when it was open.
  TraceMessage("%s:%d: Suspend the thread.", kCloseRoutine, 3532);
  TraceMessage("%s:%d: Get the exit code of thread % 08d", kCloseRoutine, 3534,
               static_cast<int>(wasOpen ? kThreadStillActive : 0));
  TraceMessage("%s:%d: Terminate the thread.", kCloseRoutine, 3536);
  busyNoticeStarted_ = false;
}

void CTamselDlg::SetFwPathEdit(const std::string& text) {
  view_.SetEditText(text);
}

void CTamselDlg::ApplyOperationBoxesFromSettings() {
  view_.SetChecked(ControlId::kCheckErase, state_.m_pINI.erase_all_content_of_spi_flash_rom_only == 1);
  view_.SetChecked(ControlId::kCheckRegTable,
                   state_.m_pINI.update_qor_584_spi_flash_rom_register_table_only == 1);
  SyncUpdateBoxes(view_, state_.m_pINI);
}

void CTamselDlg::vInitListColumns() {
  list_.InsertColumns(kListColumns);
  view_.RefreshList();
}

void CTamselDlg::RequestQuit(int exitCode) {
  requestedExitCode_ = exitCode;
  EndDialog(kDialogCancel);
}

void CTamselDlg::TakeCancelPath() {
  vCancelPath(state_);
  EndDialog(kDialogCancel);
}

bool CTamselDlg::CanLeaveToOperator() const {
  return !state_.options.m_bSilent && view_.IsInteractive();
}

void CTamselDlg::OnClicked(ControlId id) {
  if (const OperationRule* rule = FindOperationRule(id, view_.IsChecked(id))) {
    ApplyOperationRule(*rule, view_, state_.m_pINI);
    return;
  }
  if (const int device = DevBoxIndex(id); device >= 0) {
    state_.m_pINI.DEV[static_cast<std::size_t>(device)] = view_.IsChecked(id) ? 1 : 0;
    return;
  }
  for (const ButtonBinding& button : kButtons) {
    if (button.id == id) {
      (this->*button.handler)();
      return;
    }
  }
}

void CTamselDlg::OnEditChanged(const std::string& text) {
  SetFixedText(state_.m_pINI.load_fw, text.substr(0, kCellTextMaxLength));
}

void CTamselDlg::OnAccept() {
  if (!view_.IsEnabled(ControlId::kOk)) {
    return;
  }
  vAcceptPath(state_);
  EndDialog(kDialogOk);
}

void CTamselDlg::OnCancel() {
  if (!view_.IsEnabled(ControlId::kCancel)) {
    view_.Beep();
    return;
  }
  TakeCancelPath();
}

void CTamselDlg::OnAbout() {
  view_.ShowAboutBox();
}

void CTamselDlg::OnBnClickedButtonFwpath() {
  constexpr const char* kRoutine = "CTamselDlg::OnBnClickedButtonFwpath";
  const FileChoice choice = view_.ChooseFile("", "(*.*)|*.*||", JoinPath(state_.m_szStartDir, "*.*"));
  switch (choice.outcome) {
    case FileChoice::Outcome::kChosen:
      if (!choice.path.empty()) {
        view_.SetEditText(choice.path);
        SetFixedText(state_.m_pINI.load_fw, choice.path);
      }
      break;
    case FileChoice::Outcome::kCancelled:
      if (!choice.path.empty()) {
        TRACE_MSG(kRoutine, "OnBnClickedButtonSaveini: strCopyTestFilePath:%s, dwErrorCode %d",
                  choice.path.c_str(), choice.errorCode);
      }
      break;
    case FileChoice::Outcome::kFailed:
      TRACE_MSG(kRoutine, "OnBnClickedButtonSaveini: dwErrorCode %d", choice.errorCode);
      break;
  }
}

void CTamselDlg::OnBnClickedButtonStart() {
  ::tamsel::OnBnClickedButtonStart(state_, *this);
}

void CTamselDlg::OnBnClickedButtonRescan() {
  SetProgress(kRescanSteps, kProgressColor, 0);
  StoreINIFile(FixedTextString(state_.m_pINI.iniPath), state_.m_pINI);
  vDisableDialogControls();
  SetProgress(kRescanSteps, kProgressColor, 1);
  InitDevProcess(state_.devices);
  SetProgress(kRescanSteps, kProgressColor, 2);
  vEnableDialogControls();
  vRefreshDevCheckBoxes(kDevBoxesAfterScan);
  vFillDeviceRows(state_.devices, *this);
  SetProgress(kRescanSteps, kProgressColor, 3);
}

void CTamselDlg::OnBnClickedButtonCheckFw() {
  CheckFWBIN(1, FirmwareCheckSettingFor(state_), state_.firmware, this);
}

void CTamselDlg::OnBnClickedButtonClear() {
  vRefreshDevCheckBoxes(kDevBoxesClear);
}

void CTamselDlg::OnBnClickedButtonSelectAll() {
  vRefreshDevCheckBoxes(kDevBoxesSelectAll);
}

}  // namespace tamsel
