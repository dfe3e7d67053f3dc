#include "ui/fltk_x11.h"

// Fl_X (the window record with its exposure state) is declared for internals only.
#define FL_INTERNALS 1
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace tamsel {

bool CanOpenXDisplay() {
  if (fl_display != nullptr) {
    return true;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    return false;
  }
  XCloseDisplay(display);
  return true;
}

void KeepAboveOthers(Fl_Window& window) {
  const Window xid = fl_xid(&window);
  if (xid == 0) {
    return;
  }
  const Atom state = XInternAtom(fl_display, "_NET_WM_STATE", False);
  Atom above = XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False);
  // The property is read by a window manager that maps the window later; the
  // message reaches one that already manages it.
  XChangeProperty(fl_display, xid, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&above), 1);
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = xid;
  message.xclient.message_type = state;
  message.xclient.format = 32;
  message.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
  message.xclient.data.l[1] = static_cast<long>(above);
  message.xclient.data.l[3] = 1;  // from a normal application
  XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &message);
  XFlush(fl_display);
}

void CentreOnScreen(Fl_Window& window) {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  Fl::screen_work_area(x, y, width, height);
  window.position(x + (width - window.w()) / 2, y + (height - window.h()) / 2);
}

void WaitUntilDrawn(Fl_Window& window) {
  constexpr int kMaxRounds = 100;  // 100 x 20 ms at most
  for (int round = 0; round < kMaxRounds; ++round) {
    Fl_X* x = Fl_X::i(&window);
    if (x == nullptr || !x->wait_for_expose) {
      break;
    }
    Fl::wait(0.02);
  }
  Fl::check();
  Fl::flush();
  XSync(fl_display, False);
}

namespace {

int ShiftOf(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

}  // namespace

std::vector<uint8_t> ReadScreenRgb(int rootX, int rootY, int width, int height) {
  XSync(fl_display, False);
  XImage* image = XGetImage(fl_display, RootWindow(fl_display, fl_screen), rootX, rootY,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    return {};
  }
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  const auto channel = [](unsigned long pixel, unsigned long mask) {
    return static_cast<uint8_t>((pixel & mask) >> ShiftOf(mask));
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      rgb.push_back(channel(pixel, image->red_mask));
      rgb.push_back(channel(pixel, image->green_mask));
      rgb.push_back(channel(pixel, image->blue_mask));
    }
  }
  XDestroyImage(image);
  return rgb;
}

}  // namespace tamsel
