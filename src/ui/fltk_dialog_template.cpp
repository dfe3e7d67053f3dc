#include "ui/fltk_dialog_template.h"

namespace tamsel {

namespace {

// 12-point and 9-point fonts at 96 dots per inch: a character cell of 8 x 16
// and 6 x 12 pixels. Fixed, so the layout never depends on the fonts a
// machine happens to have.
constexpr DialogFontMetric kTwelvePoint{8, 16, 14};
constexpr DialogFontMetric kNinePoint{6, 12, 12};

int Scale(int units, int base, int divisor) {
  // Round half away from zero, as MulDiv does.
  const int scaled = units * base;
  return scaled >= 0 ? (scaled + divisor / 2) / divisor : -((-scaled + divisor / 2) / divisor);
}

std::vector<ControlTemplate> MainControls() {
  using K = ControlKind;
  std::vector<ControlTemplate> controls = {
      {1, K::kButton, "OK", {238, 335, 50, 13}, true},
      {2, K::kButton, "Cancel", {364, 335, 50, 13}, true},
      {1000, K::kButton, "FW Browser", {7, 14, 50, 14}},
      {1001, K::kEdit, "", {68, 14, 289, 14}},
      {-1, K::kStatic, "FW Operation:", {9, 37, 56, 8}},
      {1002, K::kCheckBox, "Erase entire SPI flash only", {9, 52, 280, 8}},
      {1003, K::kCheckBox, "Update QOR584x  register table only", {9, 67, 218, 8}},
      {1004, K::kCheckBox, "Update QOR584x Firmware", {9, 97, 138, 8}},
      {1005, K::kCheckBox, "Don't overwrite Customer Configuration Table", {22, 112, 160, 8}},
      {1006, K::kCheckBox, "Don't overwrite Firmware Record Table", {22, 127, 160, 8}},
      {1007, K::kList, "", {7, 141, 407, 124}},
  };
  static const char* const kDevCaptions[16] = {"Dev 0",  "Dev 1",  "Dev 2",  "Dev 3", "Dev 4",  "Dev 5",
                                               "Dev 6",  "Dev 7",  "Dev 8",  "Dev 9", "Dev 10", "Dev 11",
                                               "Dev 12", "Dev 13", "Dev 14", "Dev 15"};
  for (int k = 0; k < 8; ++k) {
    controls.push_back({1008 + k, K::kCheckBox, kDevCaptions[k], {13 + 41 * k, 273, 35, 10}});
  }
  controls.push_back({1016, K::kButton, "Resacn", {134, 314, 50, 14}});
  controls.push_back({1017, K::kButton, "Start", {195, 314, 50, 14}});
  controls.push_back({1018, K::kProgress, "", {12, 335, 197, 13}});
  controls.push_back({1019, K::kButton, "Check FW", {364, 14, 50, 14}});
  for (int k = 0; k < 8; ++k) {
    const int width = k < 2 ? 35 : 39;
    controls.push_back({1020 + k, K::kCheckBox, kDevCaptions[8 + k], {13 + 41 * k, 294, width, 10}});
  }
  controls.push_back({1028, K::kButton, "Clear", {12, 314, 50, 14}});
  controls.push_back({1029, K::kButton, "Select All", {73, 314, 50, 14}});
  controls.push_back({1030, K::kButton, "DisablePM", {249, 310, 44, 23}, true});
  controls.push_back({1031, K::kButton, "EnablePM", {370, 309, 44, 23}, true});
  return controls;
}

std::vector<ControlTemplate> AboutControls() {
  using K = ControlKind;
  return {
      {-1, K::kIcon, "", {14, 14, 21, 20}},
      {-1, K::kStatic, "TamselWin, 1.0 \xE7\x89\x88", {42, 14, 114, 8}},  // "TamselWin, 1.0 版"
      {-1, K::kStatic, "QOR583x/QOR584x flash tool", {42, 26, 114, 8}},
      {1, K::kButton, "\xE7\xA2\xBA\xE5\xAE\x9A", {113, 41, 50, 14}},  // "確定"
  };
}

}  // namespace

DialogRect ToPixels(const DialogRect& units, const DialogFontMetric& metric) {
  return {Scale(units.x, metric.baseUnitX, 4), Scale(units.y, metric.baseUnitY, 8),
          Scale(units.width, metric.baseUnitX, 4), Scale(units.height, metric.baseUnitY, 8)};
}

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate dialog{{0, 0, 421, 355}, kTwelvePoint, MainControls()};
  return dialog;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate dialog{{0, 0, 170, 62}, kNinePoint, AboutControls()};
  return dialog;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
  for (const ControlTemplate& control : dialog.controls) {
    if (control.id == id && id != -1) {
      return &control;
    }
  }
  return nullptr;
}

}  // namespace tamsel
