#pragma once
// The main dialog's logic, free of any toolkit: it owns the program state,
// implements the dialog routines the start-up, the inventory and the run
// call, and handles the view's events by the dialog's rules.

#include <optional>
#include <string>
#include <vector>

#include "app/start_up_dialog.h"
#include "files/operator_notifier.h"
#include "run/production_state.h"
#include "ui/list_ctrl_ex.h"
#include "ui/view.h"

namespace tamsel {

inline constexpr Rgb kPassColor{128, 255, 255};
inline constexpr Rgb kFailColor{255, 162, 208};
inline constexpr Rgb kCellColor{255, 255, 255};
inline constexpr Rgb kProgressColor{0, 128, 255};
inline constexpr Rgb kProgressFailColor{255, 0, 0};
inline constexpr const char* kBusyNoticeText =
    "Please wait until the tool finishes the scanning function. It may take a few moments.";
inline constexpr const char* kBusyNoticeCaption = "tamseltool";
inline constexpr std::size_t kCellTextMaxLength = 126;

class CTamselDlg final : public StartUpDialog, public DialogEvents, public OperatorNotifier {
 public:
  explicit CTamselDlg(View& view);

  // Runs start-up and, unless it ended the dialog, the view's event loop.
  // Returns the dialog's result.
  int DoModal(const std::vector<std::string>& arguments);

  // The exit code start-up asked for (/?, /O, a refused /L), if any.
  std::optional<int> requestedExitCode() const { return requestedExitCode_; }
  bool ended() const { return ended_; }
  ProductionState& state() { return state_; }
  const CListCtrlEx& list() const { return list_; }

  // RunDialog.
  void vResetListRows(uint8_t& uc584Host) override;
  void vSetListCell(int row, int column, const std::string& text) override;
  void vSetStatusCellPass(int row, const std::string& text) override;
  void vSetStatusCellFail(int row, const std::string& text) override;
  void vRefreshDevCheckBoxes(int mode) override;
  void vDisableDialogControls() override;
  void vEnableDialogControls() override;
  void vStartRunProgress(int deviceCount) override;
  void vStepRunProgress(int deviceCount, int deviceIndex, bool anyFailure) override;
  void vPumpMessages() override;
  void ShowWarning(const std::string& text) override;
  void EndDialog(int result) override;

  // StartUpDialog.
  void SetWindowTitle(const std::string& title) override;
  void HideWindow() override;
  void ShowInformation(const std::string& text) override;
  void StartBusyNotice() override;
  void vCloseWarnThread() override;
  void SetFwPathEdit(const std::string& text) override;
  void ApplyOperationBoxesFromSettings() override;
  void vInitListColumns() override;
  void RequestQuit(int exitCode) override;
  void TakeCancelPath() override;
  bool CanLeaveToOperator() const override;

  // DialogEvents.
  void OnClicked(ControlId id) override;
  void OnEditChanged(const std::string& text) override;
  void OnAccept() override;
  void OnCancel() override;
  void OnAbout() override;

  // OperatorNotifier (the firmware check's message box).
  void ShowMessage(const OperatorMessage& message) override;

  // Button handlers.
  void OnBnClickedButtonFwpath();
  void OnBnClickedButtonStart();
  void OnBnClickedButtonRescan();
  void OnBnClickedButtonCheckFw();
  void OnBnClickedButtonClear();
  void OnBnClickedButtonSelectAll();

 private:
  void SetCell(int row, int column, const std::string& text, Rgb background);
  void SetProgress(int high, Rgb color, int position);

  View& view_;
  ProductionState state_;
  CListCtrlEx list_;
  bool busyNoticeStarted_ = false;
  bool inModalLoop_ = false;
  bool ended_ = false;
  int result_ = 0;
  std::optional<int> requestedExitCode_;
};

}  // namespace tamsel
