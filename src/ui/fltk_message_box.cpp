#include "ui/fltk_message_box.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "ui/fltk_dialog_window.h"
#include "ui/message_box_text.h"

namespace tamsel {

namespace {

constexpr int kMargin = 16;
constexpr int kIconSize = 36;
constexpr int kMaxTextWidth = 420;
constexpr int kMinTextWidth = 160;
constexpr int kFontSize = 14;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;

struct IconLook {
  const char* glyph;
  Fl_Color background;
};

IconLook LookOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kExclamation:
      return {"!", fl_rgb_color(255, 204, 0)};
    case MessageIcon::kInformation:
      return {"i", fl_rgb_color(40, 110, 210)};
    case MessageIcon::kNone:
      break;
  }
  return {nullptr, FL_BACKGROUND_COLOR};
}

}  // namespace

void ShowFltkMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  const std::string shown = WithoutCarriageReturns(text);
  const IconLook look = LookOf(icon);
  const int iconSpace = look.glyph != nullptr ? kIconSize + kMargin : 0;

  fl_font(FL_HELVETICA, kFontSize);
  int textWidth = kMaxTextWidth;
  int textHeight = 0;
  fl_measure(shown.c_str(), textWidth, textHeight, 0);
  textWidth = std::clamp(textWidth, kMinTextWidth, kMaxTextWidth);
  const int bodyHeight = std::max(textHeight, look.glyph != nullptr ? kIconSize : 0);
  const int width = kMargin + iconSpace + textWidth + kMargin;
  const int height = kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

  FltkDialogWindow box(width, height);
  box.copy_label(caption.c_str());
  if (look.glyph != nullptr) {
    Fl_Box* iconBox = new Fl_Box(kMargin, kMargin, kIconSize, kIconSize, look.glyph);
    iconBox->box(FL_OVAL_BOX);
    iconBox->color(look.background);
    iconBox->labelfont(FL_HELVETICA_BOLD);
    iconBox->labelsize(24);
    iconBox->labelcolor(icon == MessageIcon::kInformation ? FL_WHITE : FL_BLACK);
  }
  // A left-aligned label is drawn 3 pixels in from each side of its box.
  Fl_Box* message = new Fl_Box(kMargin + iconSpace - 3, kMargin, textWidth + 6, bodyHeight);
  message->copy_label(shown.c_str());
  message->labelsize(kFontSize);
  message->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_WRAP);
  Fl_Return_Button* ok = new Fl_Return_Button(
      width - kMargin - kButtonWidth, height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight, "OK");
  ok->labelsize(kFontSize);
  ok->callback(FltkDialogWindow::Close);
  box.RunModal();
}

}  // namespace tamsel
