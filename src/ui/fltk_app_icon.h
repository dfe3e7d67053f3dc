#pragma once
// The application's icon for the window manager: a blue tile with a white
// "T", drawn from rectangles so no image file is needed.

class Fl_RGB_Image;

namespace tamsel {

// 32 x 32 pixels, RGB; lives as long as the program.
const Fl_RGB_Image& AppIcon();

}  // namespace tamsel
