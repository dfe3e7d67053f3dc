#pragma once
// The progress bar: a sunken frame filled from the left in a settable colour
// by the share of its position within its range.

#include <FL/Fl_Widget.H>

#include "ui/view.h"

namespace tamsel {

class FltkProgressBar : public Fl_Widget {
 public:
  FltkProgressBar(int x, int y, int width, int height);

  void SetRange(int low, int high);
  void SetColor(Rgb color);
  void SetPosition(int position);

  int low() const { return low_; }
  int high() const { return high_; }
  int position() const { return position_; }
  Rgb barColor() const { return color_; }
  // Width in pixels of the filled part inside the frame.
  int FilledWidth() const;

 protected:
  void draw() override;

 private:
  int low_ = 0;
  int high_ = 100;
  int position_ = 0;
  Rgb color_{0, 128, 255};
};

}  // namespace tamsel
