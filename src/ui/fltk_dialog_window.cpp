#include "ui/fltk_dialog_window.h"

#include <FL/Fl.H>

#include "ui/fltk_x11.h"

namespace tamsel {

FltkDialogWindow::FltkDialogWindow(int width, int height) : Fl_Window(width, height) {
  callback(Close);
}

int FltkDialogWindow::handle(int event) {
  if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && Fl::event_key() == FL_Escape) {
    do_callback();
    return 1;
  }
  return Fl_Window::handle(event);
}

void FltkDialogWindow::RunModal() {
  end();
  set_modal();
  CentreOnScreen(*this);
  show();
  KeepAboveOthers(*this);
  while (shown()) {
    Fl::wait();
  }
}

void FltkDialogWindow::Close(Fl_Widget* widget, void*) {
  Fl_Window* window = widget->as_window() != nullptr ? widget->as_window() : widget->window();
  window->hide();
}

}  // namespace tamsel
