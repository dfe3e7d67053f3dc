#include "ui/fltk_screen_test.h"

// Google Test comes before FLTK's drawing header, which brings in Xlib and
// its None macro.
// clang-format off
#include <gtest/gtest.h>
// clang-format on

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "ui/fltk_x11.h"

namespace tamsel::screen_test {

namespace {

void SettleRounds(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    XSync(fl_display, False);
    Fl::check();
    Fl::flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  XSync(fl_display, False);
}

void MovePointer(int rootX, int rootY) {
  XTestFakeMotionEvent(fl_display, -1, rootX, rootY, CurrentTime);
  XSync(fl_display, False);
}

std::string TitleOf(Window window) {
  const Atom netName = XInternAtom(fl_display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(fl_display, "UTF8_STRING", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(fl_display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    return title;
  }
  char* name = nullptr;
  if (XFetchName(fl_display, window, &name) && name != nullptr) {
    title = name;
    XFree(name);
  }
  return title;
}

struct LaterAction {
  std::function<void()> action;
};

void RunLater(void* data) {
  std::unique_ptr<LaterAction> later(static_cast<LaterAction*>(data));
  later->action();
  // Wakes the modal loop shortly, which otherwise waits for the next X
  // event before it looks at its window again.
  Fl::add_timeout(0.01, [](void*) {});
}

}  // namespace

void Settle() {
  SettleRounds(6);
}

void SendClickAt(int rootX, int rootY, int button) {
  MovePointer(rootX, rootY);
  XTestFakeButtonEvent(fl_display, static_cast<unsigned>(button), True, CurrentTime);
  XTestFakeButtonEvent(fl_display, static_cast<unsigned>(button), False, CurrentTime);
  XSync(fl_display, False);
}

void ClickAt(int rootX, int rootY, int button) {
  SendClickAt(rootX, rootY, button);
  Settle();
}

int RootX(const Fl_Window& window, int x) {
  return window.x_root() + x;
}
int RootY(const Fl_Window& window, int y) {
  return window.y_root() + y;
}

void ClickWidget(const Fl_Widget& widget, int button) {
  const Fl_Window& window = *widget.window();
  const bool checkBox =
      widget.type() == FL_TOGGLE_BUTTON && dynamic_cast<const Fl_Button*>(&widget) != nullptr;
  const int x = checkBox ? widget.x() + widget.h() / 2 + 2 : widget.x() + widget.w() / 2;
  ClickAt(RootX(window, x), RootY(window, widget.y() + widget.h() / 2), button);
}

void PressKey(const Fl_Window& window, const std::string& keyName) {
  MovePointer(window.x_root() + window.w() / 2, window.y_root() + window.h() / 2);
  PressKeyHere(keyName);
}

void PressKeyHere(const std::string& keyName) {
  const KeyCode code = XKeysymToKeycode(fl_display, XStringToKeysym(keyName.c_str()));
  ASSERT_NE(code, 0) << keyName;
  XTestFakeKeyEvent(fl_display, code, True, CurrentTime);
  XTestFakeKeyEvent(fl_display, code, False, CurrentTime);
  Settle();
}

void TypeText(const Fl_Window& window, const std::string& text) {
  MovePointer(window.x_root() + window.w() / 2, window.y_root() + window.h() / 2);
  const KeyCode shift = XKeysymToKeycode(fl_display, XK_Shift_L);
  for (char c : text) {
    const KeySym symbol = static_cast<KeySym>(static_cast<unsigned char>(c));
    const KeyCode code = XKeysymToKeycode(fl_display, symbol);
    ASSERT_NE(code, 0) << "no key for " << c;
    const bool shifted = XkbKeycodeToKeysym(fl_display, code, 0, 0) != symbol;
    if (shifted) {
      XTestFakeKeyEvent(fl_display, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(fl_display, code, True, CurrentTime);
    XTestFakeKeyEvent(fl_display, code, False, CurrentTime);
    if (shifted) {
      XTestFakeKeyEvent(fl_display, shift, False, CurrentTime);
    }
    XSync(fl_display, False);
    Fl::check();
  }
  Settle();
}

void SendCloseRequest(const Fl_Window& window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = fl_xid(&window);
  event.xclient.message_type = XInternAtom(fl_display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(fl_display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(fl_display, fl_xid(&window), False, NoEventMask, &event);
  Settle();
}

Rgb PixelAt(int rootX, int rootY) {
  const std::vector<uint8_t> rgb = ReadScreenRgb(rootX, rootY, 1, 1);
  if (rgb.size() != 3) {
    ADD_FAILURE() << "cannot read the screen at " << rootX << "," << rootY;
    return {};
  }
  return Rgb{rgb[0], rgb[1], rgb[2]};
}

std::vector<std::string> ViewableTitles() {
  XSync(fl_display, False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<std::string> titles;
  if (!XQueryTree(fl_display, RootWindow(fl_display, fl_screen), &root, &parent, &children, &count)) {
    return titles;
  }
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(fl_display, children[i], &attributes) && attributes.map_state == IsViewable) {
      titles.push_back(TitleOf(children[i]));
    }
  }
  if (children != nullptr) {
    XFree(children);
  }
  return titles;
}

bool IsOnScreen(const std::string& title) {
  for (const std::string& shown : ViewableTitles()) {
    if (shown == title) {
      return true;
    }
  }
  return false;
}

bool AsksToStayAbove(const Fl_Window& window) {
  const Atom state = XInternAtom(fl_display, "_NET_WM_STATE", False);
  const Atom above = XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(fl_display, fl_xid(&window), state, 0, 64, False, XA_ATOM, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      found = found || atoms[i] == above;
    }
    XFree(data);
  }
  return found;
}

void IconSize(const Fl_Window& window, int& width, int& height) {
  width = 0;
  height = 0;
  const Atom icon = XInternAtom(fl_display, "_NET_WM_ICON", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(fl_display, fl_xid(&window), icon, 0, 2, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    if (count == 2) {
      const long* values = reinterpret_cast<const long*>(data);
      width = static_cast<int>(values[0]);
      height = static_cast<int>(values[1]);
    }
    XFree(data);
  }
}

void Later(std::function<void()> action, double seconds) {
  Fl::add_timeout(seconds, RunLater, new LaterAction{std::move(action)});
}

}  // namespace tamsel::screen_test
