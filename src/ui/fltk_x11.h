#pragma once
// The few things the FLTK view needs straight from the X server. No X
// header is included here: Xlib's macros (None, Status, Bool) stay inside
// fltk_x11.cpp.

#include <cstdint>
#include <vector>

class Fl_Window;

namespace tamsel {

// True when an X display can be opened (DISPLAY names a server that answers).
// Checked before FLTK opens the display, which ends the process on failure.
bool CanOpenXDisplay();

// Asks the window manager to keep a shown window above all others.
void KeepAboveOthers(Fl_Window& window);

// Places a window that is not yet shown in the middle of the screen's work area.
void CentreOnScreen(Fl_Window& window);

// Waits a bounded time until a shown window is mapped and exposed, then draws
// it, so a window shown before long work without message pumping appears whole.
void WaitUntilDrawn(Fl_Window& window);

// The screen's pixels in a rectangle (root coordinates), row by row, three
// bytes (red, green, blue) each; empty when the server cannot give them.
std::vector<uint8_t> ReadScreenRgb(int rootX, int rootY, int width, int height);

}  // namespace tamsel
