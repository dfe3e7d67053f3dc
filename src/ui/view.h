#pragma once
// The view seam: the widget primitives, message boxes, file chooser, busy
// notice and message pumping that the toolkit-free dialog logic drives.
// Views: headless (no display or silent mode), FLTK, and a fake for tests.
// Nothing here names a toolkit type.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamsel {

class CListCtrlEx;

// Control ids of the main dialog's template.
enum class ControlId : int {
  kOk = 1,
  kCancel = 2,
  kFwBrowser = 1000,
  kFwPath = 1001,
  kCheckErase = 1002,
  kCheckRegTable = 1003,
  kCheckUpdate = 1004,
  kCheckCustTable = 1005,
  kCheckFwRecTable = 1006,
  kDeviceList = 1007,
  kDev0 = 1008,  // Dev 0 .. Dev 7 are 1008..1015
  kRescan = 1016,
  kStart = 1017,
  kProgress = 1018,
  kCheckFw = 1019,
  kDev8 = 1020,  // Dev 8 .. Dev 15 are 1020..1027
  kClear = 1028,
  kSelectAll = 1029,
  kDisablePm = 1030,
  kEnablePm = 1031,
};

// The check box of device n (0..15).
constexpr ControlId DevCheckBox(int n) {
  return static_cast<ControlId>(n < 8 ? 1008 + n : 1020 + (n - 8));
}

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class MessageIcon { kNone, kExclamation, kInformation };

// What the file-open chooser ended with.
struct FileChoice {
  enum class Outcome { kChosen, kCancelled, kFailed };
  Outcome outcome = Outcome::kCancelled;
  // The chosen path; after a cancel, whatever path the chooser still reports (often none).
  std::string path;
  // The system's last error code after a cancel or a failure (0 when none).
  int errorCode = 0;
};

struct ListColumn {
  std::string title;
  int widthPixels = 0;
};

// What the view reports back to the dialog logic. Handlers run on the
// dialog's thread, from the view's event loop or from PumpMessages.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  virtual void OnClicked(ControlId id) = 0;                 // buttons and check boxes (after toggling)
  virtual void OnEditChanged(const std::string& text) = 0;  // the path edit 1001
  virtual void OnAccept() = 0;                              // Enter (hidden OK)
  virtual void OnCancel() = 0;                              // Esc or the close box (hidden Cancel)
  virtual void OnAbout() = 0;                               // the window menu's About item
};

class View {
 public:
  virtual ~View() = default;

  // Window.
  virtual void SetTitle(const std::string& title) = 0;
  virtual void Hide() = 0;
  virtual void Beep() = 0;

  // Check boxes, buttons and the path edit.
  virtual void SetChecked(ControlId id, bool checked) = 0;
  virtual bool IsChecked(ControlId id) const = 0;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  virtual bool IsEnabled(ControlId id) const = 0;
  virtual void SetEditText(const std::string& text) = 0;
  virtual std::string EditText() const = 0;

  // The device list: the view draws the rows, texts and cell colours the
  // list model holds; it is told to redraw after the model changed.
  virtual void AttachList(const CListCtrlEx& list) = 0;
  virtual void RefreshList() = 0;

  // Progress bar: range, colour and position.
  virtual void SetProgressRange(int low, int high) = 0;
  virtual void SetProgressColor(Rgb color) = 0;
  virtual void SetProgressPosition(int position) = 0;

  // A modal message box with an OK button; returns when it is closed (the
  // headless view writes it to standard error and returns at once).
  virtual void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

  // The About box, modal, closed by its button (a view without a display shows nothing).
  virtual void ShowAboutBox() = 0;

  // The file-open chooser: the chosen path, a cancel, or a chooser that failed.
  virtual FileChoice ChooseFile(const std::string& title, const std::string& filter,
                                const std::string& startDirectory) = 0;

  // The busy notice: a modeless window with an OK button, made on the dialog's thread.
  virtual void ShowBusyNotice(const std::string& text, const std::string& caption) = 0;
  // Closes a top-level window of this title; false when none exists.
  virtual bool CloseWindowByTitle(const std::string& title) = 0;

  // Dispatches every pending event without waiting.
  virtual void PumpMessages() = 0;

  // Shows the dialog and runs its event loop until EndDialog; returns the result.
  virtual int RunModal(DialogEvents& events) = 0;
  virtual void EndDialog(int result) = 0;
  // True when the view can show anything to an operator (false when headless).
  virtual bool IsInteractive() const = 0;
};

}  // namespace tamsel
