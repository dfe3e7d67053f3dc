#include "ui/fltk_toolkit_view.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include "ui/fltk_about_box.h"
#include "ui/fltk_app_icon.h"
#include "ui/fltk_busy_notice.h"
#include "ui/fltk_device_list.h"
#include "ui/fltk_file_chooser.h"
#include "ui/fltk_main_window.h"
#include "ui/fltk_message_box.h"
#include "ui/fltk_progress_bar.h"
#include "ui/fltk_view.h"
#include "ui/fltk_x11.h"

namespace tamsel {

namespace {

// One face for every dialog: it has the Latin and the Chinese glyphs of the
// captions, and its Latin glyphs fit the template's fixed metric.
constexpr const char* kDialogFontFace = "WenQuanYi Micro Hei";
constexpr int kScrollbarSize = 14;

void SetUpToolkitOnce() {
  static const bool done = [] {
    Fl::scheme("gtk+");
    Fl::background(236, 236, 236);
    Fl::set_font(FL_HELVETICA, kDialogFontFace);
    Fl::visual(FL_RGB);
    // Narrow enough that the device list's columns (795 of its 810 inner
    // pixels) never need a sideways bar next to the vertical one.
    Fl::scrollbar_size(kScrollbarSize);
    Fl_Window::default_icon(&AppIcon());
    return true;
  }();
  (void)done;
}

void SoundWarning() {
  fl_beep(FL_BEEP_DEFAULT);
}

}  // namespace

std::unique_ptr<View> MakeFltkView() {
  if (!CanOpenXDisplay()) {
    return nullptr;
  }
  return std::make_unique<FltkView>();
}

FltkView::FltkView(std::function<void()> beep) : beep_(beep ? std::move(beep) : SoundWarning) {
  SetUpToolkitOnce();
  window_ = std::make_unique<FltkMainWindow>();
}

FltkView::~FltkView() {
  notice_.reset();
  window_.reset();
  Fl::flush();
}

void FltkView::SetTitle(const std::string& title) {
  window_->copy_label(title.c_str());
}

void FltkView::Hide() {
  window_->hide();
}

void FltkView::Beep() {
  beep_();
}

void FltkView::SetChecked(ControlId id, bool checked) {
  if (auto* button = dynamic_cast<Fl_Button*>(window_->Control(id))) {
    button->value(checked ? 1 : 0);
  }
}

bool FltkView::IsChecked(ControlId id) const {
  const auto* button = dynamic_cast<const Fl_Button*>(window_->Control(id));
  return button != nullptr && button->value() != 0;
}

void FltkView::SetEnabled(ControlId id, bool enabled) {
  if (Fl_Widget* widget = window_->Control(id)) {
    if (enabled) {
      widget->activate();
    } else {
      widget->deactivate();
    }
  }
}

bool FltkView::IsEnabled(ControlId id) const {
  const Fl_Widget* widget = window_->Control(id);
  return widget != nullptr && widget->active();
}

void FltkView::SetEditText(const std::string& text) {
  window_->pathEdit().value(text.c_str());
}

std::string FltkView::EditText() const {
  return window_->pathEdit().value();
}

void FltkView::AttachList(const CListCtrlEx& list) {
  window_->deviceList().Attach(list);
}

void FltkView::RefreshList() {
  window_->deviceList().Refresh();
}

void FltkView::SetProgressRange(int low, int high) {
  window_->progressBar().SetRange(low, high);
}

void FltkView::SetProgressColor(Rgb color) {
  window_->progressBar().SetColor(color);
}

void FltkView::SetProgressPosition(int position) {
  window_->progressBar().SetPosition(position);
}

void FltkView::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  ShowFltkMessageBox(text, caption, icon);
}

FileChoice FltkView::ChooseFile(const std::string& title, const std::string& filter,
                                const std::string& startDirectory) {
  return ChooseFileWithFltk(title, filter, startDirectory);
}

void FltkView::ShowBusyNotice(const std::string& text, const std::string& caption) {
  notice_ = std::make_unique<FltkBusyNotice>(text, caption);
  CentreOnScreen(*notice_);
  notice_->show();
  // The work that follows does not pump messages: draw the notice now.
  WaitUntilDrawn(*notice_);
}

bool FltkView::CloseWindowByTitle(const std::string& title) {
  Fl_Window* found = nullptr;
  for (Fl_Window* window = Fl::first_window(); window != nullptr; window = Fl::next_window(window)) {
    if (window->label() != nullptr && title == window->label()) {
      found = window;
      break;
    }
  }
  if (found == nullptr) {
    return false;
  }
  // A close request, as the close box sends it.
  found->do_callback();
  if (notice_ && !notice_->shown()) {
    notice_.reset();
  }
  Fl::flush();
  return true;
}

void FltkView::ShowAboutBox() {
  ShowFltkAboutBox();
}

void FltkView::PumpMessages() {
  Fl::check();
}

void FltkView::ShowWindow(DialogEvents& events) {
  window_->SetEvents(&events);
  if (!window_->shown()) {
    CentreOnScreen(*window_);
  }
  window_->show();
  KeepAboveOthers(*window_);
  WaitUntilDrawn(*window_);
}

int FltkView::RunModal(DialogEvents& events) {
  if (result_) {
    return *result_;  // ended before it was shown (the automatic run)
  }
  ShowWindow(events);
  while (!result_ && window_->shown()) {
    Fl::wait();
  }
  window_->SetEvents(nullptr);
  return result_.value_or(kClosedResult);
}

void FltkView::EndDialog(int result) {
  result_ = result;
  window_->hide();
}

}  // namespace tamsel
