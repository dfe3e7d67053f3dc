#pragma once
// What start-up asks of the main dialog beyond the routines the run uses:
// the window's title and visibility, the busy notice, the first state of the
// controls, and the ways the dialog ends.

#include <string>

#include "run/run_dialog.h"

namespace tamsel {

class StartUpDialog : public RunDialog {
 public:
  virtual void SetWindowTitle(const std::string& title) = 0;
  virtual void HideWindow() = 0;
  // A message box with the information icon (the usage text).
  virtual void ShowInformation(const std::string& text) = 0;
  // The busy notice while start-up scans; vCloseWarnThread closes it.
  virtual void StartBusyNotice() = 0;
  virtual void vCloseWarnThread() = 0;
  // The path edit (control 1001).
  virtual void SetFwPathEdit(const std::string& text) = 0;
  // Ticks 1002 and 1003 from their flags and syncs 1004-1006 from the update flag.
  virtual void ApplyOperationBoxesFromSettings() = 0;
  // Adds the list's eight columns.
  virtual void vInitListColumns() = 0;
  // Ends the program with the exit code (the version report, a refused /L, /?).
  virtual void RequestQuit(int exitCode) = 0;
  // The Cancel button's path: driver unloaded, carried files removed, result
  // file written when no run passed, dialog ended.
  virtual void TakeCancelPath() = 0;
  // False when no operator can ever see the dialog (silent mode, or a view
  // without a display): start-up then ends through the Cancel path instead
  // of leaving the dialog open.
  virtual bool CanLeaveToOperator() const = 0;
};

}  // namespace tamsel
