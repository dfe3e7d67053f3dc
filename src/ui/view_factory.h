#pragma once
// Chooses the view the program runs with: a window when a display is at hand
// and the window is not silenced, otherwise the headless view.

#include <memory>
#include <string>
#include <vector>

#include "ui/view.h"

namespace tamsel {

// True when /S is among the arguments (any letter case, anywhere, as the
// command line is searched).
bool SilentRequested(const std::vector<std::string>& arguments);

// True when an X11 or Wayland display is named in the environment.
bool DisplayAvailable();

// The windowed view, or nullptr when none is built in or it cannot open its
// display. Built with TAMSEL_HAVE_FLTK, it is the FLTK view's
// MakeFltkView() (declared in ui/fltk_view.h).
std::unique_ptr<View> MakeWindowedView();

// The windowed view when a display is available and the run is not silent
// and the window opens; the headless view otherwise.
std::unique_ptr<View> MakeView(const std::vector<std::string>& arguments);

}  // namespace tamsel
