#pragma once
// Test support: a view that records what the dialog logic shows (message
// boxes, progress steps, beeps, the end result) and can play queued operator
// actions when the logic pumps messages.

#include <functional>
#include <vector>

#include "ui/widget_state_view.h"

namespace tamsel {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::kNone;
};

class FakeView final : public WidgetStateView {
 public:
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
  }
  void Beep() override { ++beeps; }
  void SetProgressPosition(int position) override {
    WidgetStateView::SetProgressPosition(position);
    progressSteps.push_back(progress());
  }
  FileChoice ChooseFile(const std::string&, const std::string&, const std::string&) override {
    return fileChoice;
  }
  // Each pump plays the actions queued so far, in order.
  void PumpMessages() override {
    ++pumps;
    std::vector<std::function<void()>> actions;
    actions.swap(pendingActions);
    for (auto& action : actions) {
      action();
    }
  }
  void EndDialog(int result) override {
    WidgetStateView::EndDialog(result);
    endResults.push_back(result);
  }
  bool IsInteractive() const override { return interactive; }

  std::vector<ShownMessage> messages;
  std::vector<ProgressState> progressSteps;
  std::vector<std::function<void()>> pendingActions;
  std::vector<int> endResults;
  FileChoice fileChoice;  // what the chooser ends with (a cancel unless set)
  int beeps = 0;
  int pumps = 0;
  bool interactive = true;
};

}  // namespace tamsel
