#pragma once
// The dialog templates the FLTK view lays its windows out from: every
// control with its kind, caption and position in dialog units, and the fixed
// font metric that turns dialog units into pixels. Plain data, no toolkit.

#include <vector>

namespace tamsel {

enum class ControlKind { kButton, kEdit, kStatic, kCheckBox, kList, kProgress, kIcon };

// A rectangle in dialog units or in pixels.
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

struct ControlTemplate {
  int id = -1;  // -1 for static texts without an id
  ControlKind kind = ControlKind::kStatic;
  const char* caption = "";
  DialogRect rect;
  bool hidden = false;
};

// The horizontal and vertical base units of a dialog font, in pixels: one
// dialog unit is a quarter of the first and an eighth of the second.
struct DialogFontMetric {
  int baseUnitX = 0;
  int baseUnitY = 0;
  int fontPixels = 0;  // the label font size the controls are drawn with
};

struct DialogTemplate {
  DialogRect size;  // x and y unused
  DialogFontMetric metric;
  std::vector<ControlTemplate> controls;
};

// Dialog units to pixels, rounded to the nearest pixel as the dialog manager does.
DialogRect ToPixels(const DialogRect& units, const DialogFontMetric& metric);

// The main dialog: 421 x 355 units, 12-point font.
const DialogTemplate& MainDialogTemplate();
// The About box: 170 x 62 units, 9-point font.
const DialogTemplate& AboutDialogTemplate();

// The control of a template with this id; nullptr when there is none.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

}  // namespace tamsel
