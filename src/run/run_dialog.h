#pragma once
// The dialog routines the inventory and the run call. The main dialog
// implements them over its view; tests implement them with a recorder.

#include <cstdint>
#include <string>

namespace tamsel {

// Modes of vRefreshDevCheckBoxes.
inline constexpr int kDevBoxesAfterScan = 1;
inline constexpr int kDevBoxesClear = 2;
inline constexpr int kDevBoxesSelectAll = 3;

// Results the dialog ends with.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

// The list's "Status" column.
inline constexpr int kStatusColumn = 7;

class RunDialog {
 public:
  virtual ~RunDialog() = default;

  // Empties the list and inserts the bare rows: one placeholder row when no
  // device was found, else one per device; clamps the count to 16.
  virtual void vResetListRows(uint8_t& uc584Host) = 0;
  // One cell with a white background.
  virtual void vSetListCell(int row, int column, const std::string& text) = 0;
  // The "Status" cell with the pass or the fail colour.
  virtual void vSetStatusCellPass(int row, const std::string& text) = 0;
  virtual void vSetStatusCellFail(int row, const std::string& text) = 0;
  // Brings the sixteen Dev boxes and the DEV flags in line with the slots.
  virtual void vRefreshDevCheckBoxes(int mode) = 0;
  virtual void vDisableDialogControls() = 0;
  virtual void vEnableDialogControls() = 0;
  // The run's progress bar: opening step (0 of deviceCount, blue), and the
  // step after a worked device (index + 1 of deviceCount, red once failed).
  virtual void vStartRunProgress(int deviceCount) = 0;
  virtual void vStepRunProgress(int deviceCount, int deviceIndex, bool anyFailure) = 0;
  // Dispatches every waiting window message without waiting.
  virtual void vPumpMessages() = 0;
  // A message box with an OK button and the exclamation icon under the
  // application's caption; returns when it is closed.
  virtual void ShowWarning(const std::string& text) = 0;
  // Ends the dialog with kDialogOk or kDialogCancel.
  virtual void EndDialog(int result) = 0;
};

}  // namespace tamsel
