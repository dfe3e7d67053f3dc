// Makes the README's picture of the main window: a simulated machine with
// two controllers, the second of which cannot be programmed, is given one
// production run in the FLTK view, and the window as it stands afterwards is
// saved as a PNG file. Run it on an X display (scripts/make-screenshot.sh).

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xutil.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/built_in_files.h"
#include "hw/hardware_operations.h"
#include "sim/machine_loader.h"
#include "sim/platform_selection.h"
#include "ui/fltk_main_window.h"
#include "ui/fltk_toolkit_view.h"
#include "ui/tamsel_dlg.h"

namespace {

namespace fs = std::filesystem;

// The default machine, its second controller made to fail programming.
bool WriteMachine(const fs::path& directory) {
  std::string error;
  if (!tamsel::sim::WriteDefaultMachine(directory.string(), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  const fs::path file = directory / tamsel::sim::kMachineFileName;
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  std::string json = text.str();
  const std::string second = "\"content\": \"dev1.bin\", \"protected\": false }";
  const std::size_t at = json.find(second);
  if (at == std::string::npos) {
    std::fprintf(stderr, "unexpected default machine\n");
    return false;
  }
  json.insert(at + second.size(), ",\n      \"faults\": { \"program_fails\": true }");
  std::ofstream(file, std::ios::trunc) << json;
  return true;
}

int ShiftOf(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

bool SavePng(const Fl_Window& window, const std::string& path) {
  XSync(fl_display, False);
  XImage* image =
      XGetImage(fl_display, RootWindow(fl_display, fl_screen), window.x_root(), window.y_root(),
                static_cast<unsigned>(window.w()), static_cast<unsigned>(window.h()), AllPlanes, ZPixmap);
  if (image == nullptr) {
    return false;
  }
  std::vector<unsigned char> rows(static_cast<std::size_t>(window.w()) * window.h() * 3);
  std::size_t i = 0;
  for (int y = 0; y < window.h(); ++y) {
    for (int x = 0; x < window.w(); ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      rows[i++] = static_cast<unsigned char>((pixel & image->red_mask) >> ShiftOf(image->red_mask));
      rows[i++] = static_cast<unsigned char>((pixel & image->green_mask) >> ShiftOf(image->green_mask));
      rows[i++] = static_cast<unsigned char>((pixel & image->blue_mask) >> ShiftOf(image->blue_mask));
    }
  }
  XDestroyImage(image);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(window.w());
  png.height = static_cast<png_uint_32>(window.h());
  png.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&png, path.c_str(), 0, rows.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 1;
  }
  const fs::path output = fs::absolute(argv[1]);
  char pattern[] = "/tmp/tamsel_screenshot_XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path root(pattern);
  fs::create_directories(root / "work");
  fs::create_directories(root / "sim");
  if (!WriteMachine(root / "sim")) {
    return 1;
  }
  setenv("TAMSEL_SIM", (root / "sim").c_str(), 1);
  fs::current_path(root / "work");

  std::string platformError;
  const auto platform = tamsel::MakeHardwarePlatformFromEnvironment(platformError);
  if (!platform) {
    std::fprintf(stderr, "%s\n", platformError.c_str());
    return 1;
  }
  tamsel::BindHardwarePlatform(platform.get());
  int status = 1;
  {
    tamsel::FltkView view([] {});
    tamsel::CTamselDlg dialog(view);
    dialog.state().carriedFiles = tamsel::BuiltInEmbeddedFiles();
    dialog.DoModal({});  // the automatic run over both controllers
    // The run ended the dialog; show the window as the run left it.
    view.ShowWindow(dialog);
    for (int i = 0; i < 20; ++i) {
      Fl::wait(0.02);
    }
    status = SavePng(view.window(), output.string()) ? 0 : 1;
  }
  tamsel::BindHardwarePlatform(nullptr);
  fs::remove_all(root);
  if (status == 0) {
    std::printf("%s\n", output.c_str());
  }
  return status;
}
