#pragma once
// A view without widgets: it keeps the state the dialog logic sets (ticks,
// enabled states, the path edit, the progress bar) so the logic reads back
// what it wrote. The headless view and the tests' fake view build on it.

#include <map>

#include "ui/view.h"

namespace tamsel {

struct ProgressState {
  int low = 0;
  int high = 100;
  Rgb color{};
  int position = 0;
  friend bool operator==(const ProgressState&, const ProgressState&) = default;
};

class WidgetStateView : public View {
 public:
  void SetTitle(const std::string& title) override { title_ = title; }
  void Hide() override { hidden_ = true; }
  void Beep() override {}

  void SetChecked(ControlId id, bool checked) override { checked_[id] = checked; }
  bool IsChecked(ControlId id) const override;
  // Controls start enabled, as the dialog template makes them.
  void SetEnabled(ControlId id, bool enabled) override { enabled_[id] = enabled; }
  bool IsEnabled(ControlId id) const override;
  void SetEditText(const std::string& text) override { editText_ = text; }
  std::string EditText() const override { return editText_; }

  void AttachList(const CListCtrlEx& list) override { list_ = &list; }
  void RefreshList() override {}

  void SetProgressRange(int low, int high) override;
  void SetProgressColor(Rgb color) override { progress_.color = color; }
  void SetProgressPosition(int position) override { progress_.position = position; }

  FileChoice ChooseFile(const std::string&, const std::string&, const std::string&) override { return {}; }
  void ShowAboutBox() override { ++aboutBoxes_; }
  void ShowBusyNotice(const std::string&, const std::string& caption) override { busyCaption_ = caption; }
  bool CloseWindowByTitle(const std::string& title) override;
  void PumpMessages() override {}

  // Nobody can work the dialog: the operator's only way out, Cancel, is taken.
  int RunModal(DialogEvents& events) override;
  void EndDialog(int result) override { result_ = result; }
  bool IsInteractive() const override { return false; }

  const std::string& title() const { return title_; }
  bool hidden() const { return hidden_; }
  const ProgressState& progress() const { return progress_; }
  const CListCtrlEx* list() const { return list_; }
  int aboutBoxesShown() const { return aboutBoxes_; }

 private:
  std::string title_;
  bool hidden_ = false;
  std::map<ControlId, bool> checked_;
  std::map<ControlId, bool> enabled_;
  std::string editText_;
  const CListCtrlEx* list_ = nullptr;
  ProgressState progress_;
  std::string busyCaption_;
  int aboutBoxes_ = 0;
  std::optional<int> result_;
};

}  // namespace tamsel
