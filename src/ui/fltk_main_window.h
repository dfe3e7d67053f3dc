#pragma once
// The main dialog's window: every control of the template at its place,
// the hidden OK and Cancel realised as Enter (unless a push button has the
// focus: Enter presses that one), Esc and the close box, and a
// window menu (right click or F1) with the About item. Clicks and edits are
// passed to the dialog logic as they are; the logic decides what they do.

#include <FL/Fl_Double_Window.H>

#include <functional>
#include <map>

#include "ui/view.h"

class Fl_Input;

namespace tamsel {

class FltkDeviceList;
class FltkProgressBar;

class FltkMainWindow : public Fl_Double_Window {
 public:
  FltkMainWindow();

  // Where events go; nothing is reported while none is set.
  void SetEvents(DialogEvents* events) { events_ = events; }
  // What the window menu's About item opens.

  // The control of this id (hidden buttons included); nullptr for none.
  Fl_Widget* Control(ControlId id) const;
  Fl_Input& pathEdit() const { return *pathEdit_; }
  FltkDeviceList& deviceList() const { return *deviceList_; }
  FltkProgressBar& progressBar() const { return *progressBar_; }

  // The window menu, as shown by a right click or F1.
  void OpenWindowMenu();

  int handle(int event) override;

  // The label text of the window menu's About item.
  static constexpr const char* kAboutItem = "\xE9\x97\x9C\xE6\x96\xBC TamselWin(&A)...";

 private:
  static void OnControl(Fl_Widget* widget, void* data);
  static void OnCloseBox(Fl_Widget* widget, void* data);
  // The visible, enabled push button that has the keyboard focus, or nullptr.
  Fl_Widget* FocusedPushButton() const;
  void Accept();
  void Cancel();

  DialogEvents* events_ = nullptr;
  std::map<ControlId, Fl_Widget*> controls_;
  Fl_Input* pathEdit_ = nullptr;
  FltkDeviceList* deviceList_ = nullptr;
  FltkProgressBar* progressBar_ = nullptr;
};

}  // namespace tamsel
