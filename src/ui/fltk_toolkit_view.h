#pragma once
// FltkView: the View seam realised with FLTK widgets on an X display.
// Included only by the FLTK files and their tests.

#include <functional>
#include <memory>
#include <optional>

#include "ui/view.h"

namespace tamsel {

class FltkMainWindow;
class FltkBusyNotice;

class FltkView final : public View {
 public:
  // The display must be open (see CanOpenXDisplay); beep sounds the warning.
  explicit FltkView(std::function<void()> beep = {});
  ~FltkView() override;

  void SetTitle(const std::string& title) override;
  void Hide() override;
  void Beep() override;

  void SetChecked(ControlId id, bool checked) override;
  bool IsChecked(ControlId id) const override;
  void SetEnabled(ControlId id, bool enabled) override;
  bool IsEnabled(ControlId id) const override;
  void SetEditText(const std::string& text) override;
  std::string EditText() const override;

  void AttachList(const CListCtrlEx& list) override;
  void RefreshList() override;

  void SetProgressRange(int low, int high) override;
  void SetProgressColor(Rgb color) override;
  void SetProgressPosition(int position) override;

  void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  FileChoice ChooseFile(const std::string& title, const std::string& filter,
                        const std::string& startDirectory) override;

  void ShowAboutBox() override;
  void ShowBusyNotice(const std::string& text, const std::string& caption) override;
  bool CloseWindowByTitle(const std::string& title) override;

  void PumpMessages() override;

  int RunModal(DialogEvents& events) override;
  void EndDialog(int result) override;
  bool IsInteractive() const override { return true; }

  // Shows the window without entering the event loop (tests, screenshots).
  void ShowWindow(DialogEvents& events);
  FltkMainWindow& window() const { return *window_; }

  // Result of RunModal when the window was closed without EndDialog.
  static constexpr int kClosedResult = 2;

 private:
  std::function<void()> beep_;
  std::unique_ptr<FltkMainWindow> window_;
  std::unique_ptr<FltkBusyNotice> notice_;
  std::optional<int> result_;
};

}  // namespace tamsel
