#include "ui/fltk_app_icon.h"

#include <FL/Fl_Image.H>

#include <array>
#include <vector>

namespace tamsel {

namespace {

constexpr int kSide = 32;

struct Box {
  int x;
  int y;
  int width;
  int height;
  std::array<unsigned char, 3> color;
};

// Back to front: the tile, then the bar and the stem of the "T".
constexpr Box kShapes[] = {
    {2, 2, 28, 28, {0, 96, 168}},
    {8, 8, 16, 4, {255, 255, 255}},
    {14, 8, 4, 17, {255, 255, 255}},
};

std::vector<unsigned char> Pixels() {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(kSide) * kSide * 3, 0);
  for (const Box& box : kShapes) {
    for (int y = box.y; y < box.y + box.height; ++y) {
      for (int x = box.x; x < box.x + box.width; ++x) {
        const std::size_t at = static_cast<std::size_t>(y * kSide + x) * 3;
        pixels[at] = box.color[0];
        pixels[at + 1] = box.color[1];
        pixels[at + 2] = box.color[2];
      }
    }
  }
  return pixels;
}

}  // namespace

const Fl_RGB_Image& AppIcon() {
  static const std::vector<unsigned char> pixels = Pixels();
  static const Fl_RGB_Image icon(pixels.data(), kSide, kSide, 3);
  return icon;
}

}  // namespace tamsel
