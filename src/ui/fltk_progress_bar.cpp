#include "ui/fltk_progress_bar.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace tamsel {

FltkProgressBar::FltkProgressBar(int x, int y, int width, int height) : Fl_Widget(x, y, width, height) {
  box(FL_DOWN_BOX);
  color(FL_WHITE);
}

void FltkProgressBar::SetRange(int low, int high) {
  low_ = low;
  high_ = high;
  redraw();
}

void FltkProgressBar::SetColor(Rgb color) {
  color_ = color;
  redraw();
}

void FltkProgressBar::SetPosition(int position) {
  position_ = position;
  redraw();
}

int FltkProgressBar::FilledWidth() const {
  const int inner = w() - Fl::box_dw(box());
  if (high_ <= low_ || inner <= 0) {
    return 0;  // an empty range shows an empty bar
  }
  const long long clamped = std::clamp(position_, low_, high_) - static_cast<long long>(low_);
  return static_cast<int>(clamped * inner / (static_cast<long long>(high_) - low_));
}

void FltkProgressBar::draw() {
  draw_box();
  const int inner_x = x() + Fl::box_dx(box());
  const int inner_y = y() + Fl::box_dy(box());
  const int inner_h = h() - Fl::box_dh(box());
  const int filled = FilledWidth();
  if (filled > 0) {
    fl_color(fl_rgb_color(color_.red, color_.green, color_.blue));
    fl_rectf(inner_x, inner_y, filled, inner_h);
  }
}

}  // namespace tamsel
