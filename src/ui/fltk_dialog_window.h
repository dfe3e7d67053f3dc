#pragma once
// A secondary dialog window (message box, About box, busy notice): Esc and
// the close box close it as its OK button does.

#include <FL/Fl_Window.H>

namespace tamsel {

class FltkDialogWindow : public Fl_Window {
 public:
  FltkDialogWindow(int width, int height);
  int handle(int event) override;
  // Ends the window's children, shows it modal, centred and above the others,
  // and returns when it is closed.
  void RunModal();
  // The callback of its close button: hides the window the widget is in.
  static void Close(Fl_Widget* widget, void* data);
};

}  // namespace tamsel
