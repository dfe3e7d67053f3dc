#pragma once
// Test support: a RunDialog that records what the inventory and the run show.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "run/run_dialog.h"

namespace tamsel {

enum class CellKind { kWhite, kPass, kFail };

struct RecordedCell {
  std::string text;
  CellKind kind = CellKind::kWhite;
  friend bool operator==(const RecordedCell&, const RecordedCell&) = default;
};

struct RecordedProgress {
  int high = 0;
  bool red = false;
  int position = 0;
  friend bool operator==(const RecordedProgress&, const RecordedProgress&) = default;
};

class RecordingRunDialog final : public RunDialog {
 public:
  void vResetListRows(uint8_t& uc584Host) override {
    cells.clear();
    if (uc584Host > 16) {
      uc584Host = 16;
    }
    rows = uc584Host == 0 ? 1 : uc584Host;
  }
  void vSetListCell(int row, int column, const std::string& text) override {
    Write(row, column, text, CellKind::kWhite);
  }
  void vSetStatusCellPass(int row, const std::string& text) override {
    Write(row, kStatusColumn, text, CellKind::kPass);
  }
  void vSetStatusCellFail(int row, const std::string& text) override {
    Write(row, kStatusColumn, text, CellKind::kFail);
  }
  void vRefreshDevCheckBoxes(int mode) override { refreshModes.push_back(mode); }
  void vDisableDialogControls() override { events.push_back("disable"); }
  void vEnableDialogControls() override { events.push_back("enable"); }
  void vStartRunProgress(int deviceCount) override { progress.push_back({deviceCount, false, 0}); }
  void vStepRunProgress(int deviceCount, int deviceIndex, bool anyFailure) override {
    progress.push_back({deviceCount, anyFailure, deviceIndex + 1});
  }
  void vPumpMessages() override { ++pumps; }
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  void EndDialog(int result) override { endResults.push_back(result); }

  const RecordedCell& Cell(int row, int column) { return cells[{row, column}]; }

  int rows = 0;
  std::map<std::pair<int, int>, RecordedCell> cells;
  std::vector<std::pair<int, RecordedCell>> statusHistory;  // every "Status" write, in order
  std::vector<int> refreshModes;
  std::vector<std::string> events;
  std::vector<RecordedProgress> progress;
  std::vector<std::string> warnings;
  std::vector<int> endResults;
  int pumps = 0;

 private:
  void Write(int row, int column, const std::string& text, CellKind kind) {
    cells[{row, column}] = {text, kind};
    if (column == kStatusColumn) {
      statusHistory.push_back({row, {text, kind}});
    }
  }
};

}  // namespace tamsel
