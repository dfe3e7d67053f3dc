#pragma once
// Test helpers that act on the X server the FLTK view draws on: real pointer
// and key events through the XTEST extension, pixels read back from the
// screen, and the top-level windows the server knows. No X type is exposed.

#include <functional>
#include <string>
#include <vector>

#include "ui/view.h"

class Fl_Widget;
class Fl_Window;

namespace tamsel::screen_test {

// Lets the server deliver what was sent and FLTK dispatch and draw it.
void Settle();

// Sends the events only (no dispatch), for tests of message pumping.
void SendClickAt(int rootX, int rootY, int button = 1);
void ClickAt(int rootX, int rootY, int button = 1);
// Clicks a widget where an operator would: a check box on its box, other
// widgets in their middle.
void ClickWidget(const Fl_Widget& widget, int button = 1);
// Moves the pointer over a window (keys go where the pointer is when no
// window manager sets the focus) and presses and releases a key.
void PressKey(const Fl_Window& window, const std::string& keyName);
// Presses and releases a key wherever the pointer is (a popup menu grabs the keys).
void PressKeyHere(const std::string& keyName);
void TypeText(const Fl_Window& window, const std::string& text);
// Asks a window to close, as a window manager's close box does.
void SendCloseRequest(const Fl_Window& window);

// The colour on screen at a root-window position.
Rgb PixelAt(int rootX, int rootY);
// Root-window position of a point given in a window's coordinates.
int RootX(const Fl_Window& window, int x);
int RootY(const Fl_Window& window, int y);

// Titles of the viewable top-level windows on the server.
std::vector<std::string> ViewableTitles();
bool IsOnScreen(const std::string& title);
// Whether a shown window asks to be kept above others (_NET_WM_STATE_ABOVE).
bool AsksToStayAbove(const Fl_Window& window);

// The size of the first icon a shown window offers the window manager
// (_NET_WM_ICON); 0 x 0 when it offers none.
void IconSize(const Fl_Window& window, int& width, int& height);

// Runs an action from inside a modal loop that is about to start.
void Later(std::function<void()> action, double seconds = 0.2);

}  // namespace tamsel::screen_test
