#pragma once
// Test support: a start-up dialog that records what start-up asks of it
// (messages, title, visibility, busy notice, the way it ends) and otherwise
// does nothing.

#include <string>
#include <vector>

#include "app/start_up_dialog.h"

namespace tamsel {

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

}  // namespace tamsel
