#include "ui/fltk_about_box.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include "ui/fltk_dialog_template.h"
#include "ui/fltk_dialog_window.h"

namespace tamsel {

namespace {

// The application's mark: a rounded blue tile with a white "T".
Fl_Widget* MakeMark(const DialogRect& r) {
  const int side = r.width < r.height ? r.width : r.height;
  Fl_Box* mark = new Fl_Box(r.x, r.y, side, side, "T");
  mark->box(FL_ROUNDED_BOX);
  mark->color(fl_rgb_color(0, 96, 168));
  mark->labelcolor(FL_WHITE);
  mark->labelfont(FL_HELVETICA_BOLD);
  mark->labelsize(side * 2 / 3);
  return mark;
}

Fl_Widget* MakeControl(const ControlTemplate& control, const DialogFontMetric& metric) {
  const DialogRect r = ToPixels(control.rect, metric);
  Fl_Widget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::kIcon:
      return MakeMark(r);
    case ControlKind::kButton:
      widget = new Fl_Return_Button(r.x, r.y, r.width, r.height, control.caption);
      widget->callback(FltkDialogWindow::Close);
      break;
    default:
      widget = new Fl_Box(r.x, r.y, r.width, r.height, control.caption);
      widget->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
      break;
  }
  widget->labelsize(metric.fontPixels);
  return widget;
}

}  // namespace

void ShowFltkAboutBox() {
  const DialogTemplate& dialog = AboutDialogTemplate();
  const DialogRect size = ToPixels(dialog.size, dialog.metric);
  FltkDialogWindow box(size.width, size.height);
  box.label(kAboutCaption);
  for (const ControlTemplate& control : dialog.controls) {
    MakeControl(control, dialog.metric);
  }
  box.RunModal();
}

}  // namespace tamsel
