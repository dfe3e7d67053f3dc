// Entry point of tamselwin: keeps outside signals from ending a flash, binds
// the hardware side (the simulated machine named by TAMSEL_SIM, else the real
// bus), then the application object runs the program.
#include <string>
#include <vector>

#include "files/built_in_files.h"
#include "hw/hardware_operations.h"
#include "platform/outside_signals.h"
#include "sim/platform_selection.h"
#include "ui/tamsel_application.h"

int main(int argc, char** argv) {
  tamsel::IgnoreOutsideSignals();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  // A simulated machine that cannot be loaded fails the driver's load, which
  // reports the same reason to the operator; it is not written twice here.
  std::string platformError;
  const auto platform = tamsel::MakeHardwarePlatformFromEnvironment(platformError);
  tamsel::BindHardwarePlatform(platform.get());
  tamsel::CTamsel application;
  const int exitCode =
      application.InitInstance(arguments, tamsel::BuiltInEmbeddedFiles(), tamsel::BuiltInImageKind());
  tamsel::BindHardwarePlatform(nullptr);
  return exitCode;
}
