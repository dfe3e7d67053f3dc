#pragma once
// The FLTK view of the main dialog. No FLTK or X type appears here.

#include <memory>

#include "ui/view.h"

namespace tamsel {

// The windowed view on the X display named by DISPLAY; nullptr when that
// display cannot be opened.
std::unique_ptr<View> MakeFltkView();

}  // namespace tamsel
