#include "ui/view_factory.h"

#include <cstdlib>

#include "app/command_line.h"
#include "ui/headless_view.h"

#if defined(TAMSEL_HAVE_FLTK)
#include "ui/fltk_view.h"
#endif

namespace tamsel {

bool SilentRequested(const std::vector<std::string>& arguments) {
  std::string text = BuildInitCmd(arguments);
  ToUpperAscii(text);
  return HasOption(text, "/S");
}

bool DisplayAvailable() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

std::unique_ptr<View> MakeWindowedView() {
#if defined(TAMSEL_HAVE_FLTK)
  return MakeFltkView();
#else
  return nullptr;
#endif
}

std::unique_ptr<View> MakeView(const std::vector<std::string>& arguments) {
  if (DisplayAvailable() && !SilentRequested(arguments)) {
    if (std::unique_ptr<View> windowed = MakeWindowedView()) {
      return windowed;
    }
  }
  return std::make_unique<HeadlessView>();
}

}  // namespace tamsel
