#include "ui/fltk_busy_notice.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

namespace tamsel {

namespace {

constexpr int kMargin = 16;
constexpr int kTextWidth = 380;
constexpr int kFontSize = 14;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;

}  // namespace

FltkBusyNotice::FltkBusyNotice(const std::string& text, const std::string& caption)
    : FltkDialogWindow(kTextWidth + 2 * kMargin, 1) {
  fl_font(FL_HELVETICA, kFontSize);
  int textWidth = kTextWidth;
  int textHeight = 0;
  fl_measure(text.c_str(), textWidth, textHeight, 0);
  textWidth = kTextWidth;
  const int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  size(kTextWidth + 2 * kMargin, height);

  // A left-aligned label is drawn 3 pixels in from each side of its box.
  Fl_Box* message = new Fl_Box(kMargin - 3, kMargin, textWidth + 6, textHeight);
  message->copy_label(text.c_str());
  message->labelsize(kFontSize);
  message->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_WRAP);

  Fl_Return_Button* ok = new Fl_Return_Button((w() - kButtonWidth) / 2, height - kMargin - kButtonHeight,
                                              kButtonWidth, kButtonHeight, "OK");
  ok->labelsize(kFontSize);
  ok->callback(Close);
  end();

  copy_label(caption.c_str());
}

}  // namespace tamsel
