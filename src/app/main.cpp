// Entry point of tamselwin: binds the hardware side (the simulated machine
// named by TAMSEL_SIM, else the real bus), then the application object runs
// the program.
#include <cstdio>
#include <string>
#include <vector>

#include "files/built_in_files.h"
#include "hw/hardware_operations.h"
#include "sim/platform_selection.h"
#include "ui/tamsel_application.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string platformError;
  const auto platform = tamsel::MakeHardwarePlatformFromEnvironment(platformError);
  if (!platformError.empty()) {
    std::fprintf(stderr, "%s\n", platformError.c_str());
  }
  tamsel::BindHardwarePlatform(platform.get());
  tamsel::CTamsel application;
  const int exitCode = application.InitInstance(arguments, tamsel::BuiltInEmbeddedFiles());
  tamsel::BindHardwarePlatform(nullptr);
  return exitCode;
}
