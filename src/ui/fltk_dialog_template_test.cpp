#include "ui/fltk_dialog_template.h"

// Google Test comes before FLTK's drawing header, which brings in Xlib and
// its None macro.
// clang-format off
#include <gtest/gtest.h>
// clang-format on

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <string>

#include "ui/fltk_toolkit_view.h"

namespace tamsel {
namespace {

struct ScaleCase {
  DialogRect units;
  DialogFontMetric metric;
  DialogRect pixels;
};

class DialogUnitsTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DialogUnitsTest, ConvertsWithTheFixedMetricRoundingToNearest) {
  EXPECT_EQ(ToPixels(GetParam().units, GetParam().metric), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Metrics, DialogUnitsTest,
                         ::testing::Values(ScaleCase{{421, 355, 0, 0}, {8, 16, 14}, {842, 710, 0, 0}},
                                           ScaleCase{{7, 141, 407, 124}, {8, 16, 14}, {14, 282, 814, 248}},
                                           ScaleCase{
                                               {1, 1, 3, 5}, {6, 12, 12}, {2, 2, 5, 8}},  // 1.5, 4.5, 7.5 up
                                           ScaleCase{{170, 62, 0, 0}, {6, 12, 12}, {255, 93, 0, 0}}));

TEST(MainDialogTemplateTest, HoldsEveryControlWithItsCaption) {
  const DialogTemplate& dialog = MainDialogTemplate();
  struct Expected {
    int id;
    const char* caption;
    bool hidden;
  };
  const Expected expected[] = {{1, "OK", true},
                               {2, "Cancel", true},
                               {1000, "FW Browser", false},
                               {1002, "Erase entire SPI flash only", false},
                               {1003, "Update QOR584x  register table only", false},
                               {1004, "Update QOR584x Firmware", false},
                               {1005, "Don't overwrite Customer Configuration Table", false},
                               {1006, "Don't overwrite Firmware Record Table", false},
                               {1016, "Resacn", false},
                               {1017, "Start", false},
                               {1019, "Check FW", false},
                               {1028, "Clear", false},
                               {1029, "Select All", false},
                               {1030, "DisablePM", true},
                               {1031, "EnablePM", true}};
  for (const Expected& e : expected) {
    const ControlTemplate* control = FindControl(dialog, e.id);
    ASSERT_NE(control, nullptr) << e.id;
    EXPECT_STREQ(control->caption, e.caption);
    EXPECT_EQ(control->hidden, e.hidden) << e.id;
  }
  for (int n = 0; n < 16; ++n) {
    const ControlTemplate* box = FindControl(dialog, static_cast<int>(DevCheckBox(n)));
    ASSERT_NE(box, nullptr) << n;
    EXPECT_EQ(box->caption, "Dev " + std::to_string(n));
    EXPECT_EQ(box->rect.x, 13 + 41 * (n % 8));
    EXPECT_EQ(box->rect.y, n < 8 ? 273 : 294);
    EXPECT_EQ(box->rect.width, n < 10 ? 35 : 39);
  }
  EXPECT_EQ(dialog.controls.size(), 35u);  // 34 with ids, plus the static text
}

bool Overlap(const DialogRect& a, const DialogRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Nothing an operator sees lies on top of anything else.
TEST(MainDialogTemplateTest, VisibleControlsDoNotOverlap) {
  const DialogTemplate& dialog = MainDialogTemplate();
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    for (std::size_t j = i + 1; j < dialog.controls.size(); ++j) {
      const ControlTemplate& a = dialog.controls[i];
      const ControlTemplate& b = dialog.controls[j];
      if (!a.hidden && !b.hidden) {
        EXPECT_FALSE(Overlap(a.rect, b.rect))
            << a.caption << " / " << b.caption << " (" << a.id << ", " << b.id << ")";
      }
    }
  }
}

// Space a check box or a button needs around its caption.
int Chrome(ControlKind kind, int height) {
  switch (kind) {
    case ControlKind::kCheckBox:
      return height + 4;  // the box and the gap before the text
    case ControlKind::kButton:
      return 8;
    default:
      return 0;
  }
}

void ExpectCaptionsFit(const DialogTemplate& dialog) {
  fl_open_display();
  FltkView view([] {});  // installs the dialog font
  for (const ControlTemplate& control : dialog.controls) {
    if (control.hidden || *control.caption == '\0') {
      continue;
    }
    const DialogRect r = ToPixels(control.rect, dialog.metric);
    fl_font(FL_HELVETICA, dialog.metric.fontPixels);
    const int needed = static_cast<int>(fl_width(control.caption)) + Chrome(control.kind, r.height);
    EXPECT_LE(needed, r.width) << "clipped: " << control.caption;
    EXPECT_LE(fl_height() - fl_descent(), r.height) << "too tall: " << control.caption;
  }
}

TEST(MainDialogTemplateTest, EveryCaptionFitsItsControl) {
  ExpectCaptionsFit(MainDialogTemplate());
}

TEST(AboutDialogTemplateTest, EveryCaptionFitsItsControl) {
  ExpectCaptionsFit(AboutDialogTemplate());
}

TEST(AboutDialogTemplateTest, HoldsTheTextsAndTheCloseButton) {
  const DialogTemplate& about = AboutDialogTemplate();
  EXPECT_EQ(about.size, (DialogRect{0, 0, 170, 62}));
  ASSERT_NE(FindControl(about, 1), nullptr);
  EXPECT_STREQ(FindControl(about, 1)->caption, "\xE7\xA2\xBA\xE5\xAE\x9A");
  EXPECT_STREQ(about.controls[1].caption, "TamselWin, 1.0 \xE7\x89\x88");
}

}  // namespace
}  // namespace tamsel
