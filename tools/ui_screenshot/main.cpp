// Makes the README's picture of the main window: a simulated machine with
// two controllers, the second of which cannot be programmed, is given one
// production run in the FLTK view, and the window as it stands afterwards is
// saved as a PNG file. Run it on an X display (scripts/make-screenshot.sh).

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
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
#include "ui/fltk_x11.h"
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

bool SavePng(const Fl_Window& window, const std::string& path) {
  std::vector<uint8_t> rows = tamsel::ReadScreenRgb(window.x_root(), window.y_root(), window.w(), window.h());
  if (rows.empty()) {
    return false;
  }
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
    dialog.state().carriedImage = tamsel::BuiltInImageKind();
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
