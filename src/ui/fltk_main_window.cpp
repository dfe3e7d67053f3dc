#include "ui/fltk_main_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>

#include "ui/fltk_device_list.h"
#include "ui/fltk_dialog_template.h"
#include "ui/fltk_progress_bar.h"

namespace tamsel {

namespace {

// Buttons and check boxes answer the left mouse button only, as dialog
// controls do; other buttons fall through to the window (its menu).
template <typename Base>
class LeftClickOnly : public Base {
 public:
  using Base::Base;
  int handle(int event) override {
    const bool mouse = event == FL_PUSH || event == FL_DRAG || event == FL_RELEASE;
    if (mouse && Fl::event_button() != FL_LEFT_MOUSE) {
      return 0;
    }
    return Base::handle(event);
  }
};

using DialogButton = LeftClickOnly<Fl_Button>;
using DialogCheckBox = LeftClickOnly<Fl_Check_Button>;

}  // namespace

FltkMainWindow::FltkMainWindow() : Fl_Double_Window(0, 0) {
  const DialogTemplate& dialog = MainDialogTemplate();
  const DialogFontMetric& metric = dialog.metric;
  const DialogRect size = ToPixels(dialog.size, metric);
  this->size(size.width, size.height);

  for (const ControlTemplate& control : dialog.controls) {
    const DialogRect r = ToPixels(control.rect, metric);
    Fl_Widget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::kButton:
        widget = new DialogButton(r.x, r.y, r.width, r.height, control.caption);
        break;
      case ControlKind::kCheckBox:
        widget = new DialogCheckBox(r.x, r.y, r.width, r.height, control.caption);
        break;
      case ControlKind::kEdit:
        pathEdit_ = new Fl_Input(r.x, r.y, r.width, r.height);
        pathEdit_->when(FL_WHEN_CHANGED);
        pathEdit_->textsize(metric.fontPixels);
        widget = pathEdit_;
        break;
      case ControlKind::kList:
        deviceList_ = new FltkDeviceList(r.x, r.y, r.width, r.height);
        widget = deviceList_;
        break;
      case ControlKind::kProgress:
        progressBar_ = new FltkProgressBar(r.x, r.y, r.width, r.height);
        widget = progressBar_;
        break;
      case ControlKind::kStatic:
      case ControlKind::kIcon:
        widget = new Fl_Box(r.x, r.y, r.width, r.height, control.caption);
        widget->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
        break;
    }
    widget->labelsize(metric.fontPixels);
    if (control.hidden) {
      widget->hide();
    }
    if (control.id != -1) {
      const ControlId id = static_cast<ControlId>(control.id);
      controls_[id] = widget;
      // The control id travels as the callback's user data, FLTK's way of naming the sender.
      widget->callback(
          OnControl,
          reinterpret_cast<void*>(static_cast<intptr_t>(control.id)));  // NOLINT(performance-no-int-to-ptr)
    }
  }
  end();
  callback(OnCloseBox);
}

Fl_Widget* FltkMainWindow::Control(ControlId id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

void FltkMainWindow::OnControl(Fl_Widget* widget, void* data) {
  auto* window = static_cast<FltkMainWindow*>(widget->window());
  if (window == nullptr || window->events_ == nullptr) {
    return;
  }
  const auto id = static_cast<ControlId>(reinterpret_cast<intptr_t>(data));
  if (id == ControlId::kFwPath) {
    window->events_->OnEditChanged(window->pathEdit_->value());
  } else {
    window->events_->OnClicked(id);
  }
}

// FLTK calls the window's callback for the close box and for an Esc nobody took.
void FltkMainWindow::OnCloseBox(Fl_Widget* widget, void*) {
  static_cast<FltkMainWindow*>(widget)->Cancel();
}

Fl_Widget* FltkMainWindow::FocusedPushButton() const {
  Fl_Widget* focused = Fl::focus();
  const bool pushButton = focused != nullptr && dynamic_cast<DialogButton*>(focused) != nullptr;
  return pushButton && contains(focused) && focused->active_r() && focused->visible_r() ? focused : nullptr;
}

void FltkMainWindow::Accept() {
  if (events_ != nullptr) {
    events_->OnAccept();
  }
}

void FltkMainWindow::Cancel() {
  if (events_ != nullptr) {
    events_->OnCancel();
  }
}

void FltkMainWindow::OpenWindowMenu() {
  Fl_Menu_Item items[2] = {};
  items[0].label(kAboutItem);
  const Fl_Menu_Item* chosen = items->popup(Fl::event_x(), Fl::event_y());
  if (chosen == &items[0] && events_ != nullptr) {
    events_->OnAbout();
  }
}

int FltkMainWindow::handle(int event) {
  if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
    // Keys the focused control did not take: Enter presses a focused push
    // button or else the hidden default button (OK), Esc is the hidden
    // Cancel, F1 the window menu.
    switch (Fl::event_key()) {
      case FL_Enter:
      case FL_KP_Enter:
        // As in a dialog: Enter presses the push button that has the focus;
        // anywhere else it is the default button, OK.
        if (Fl_Widget* button = FocusedPushButton()) {
          button->do_callback();
        } else {
          Accept();
        }
        return 1;
      case FL_Escape:
        Cancel();
        return 1;
      case FL_F + 1:
        OpenWindowMenu();
        return 1;
      default:
        break;
    }
  }
  const int handled = Fl_Double_Window::handle(event);
  if (!handled && event == FL_PUSH && Fl::event_button() == FL_RIGHT_MOUSE) {
    OpenWindowMenu();
    return 1;
  }
  return handled;
}

}  // namespace tamsel
