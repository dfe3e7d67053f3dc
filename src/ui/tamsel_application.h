#pragma once
// CTamsel, the application object: it picks the view, runs the main dialog
// modally and turns the way the program ended (the exit code start-up asked
// for, else the ending the dialog recorded) into the process's exit code.

#include <string>
#include <vector>

#include "files/embedded_files.h"

namespace tamsel {

class CTamsel {
 public:
  // Runs the program with the arguments after the program name, the files
  // it carries and what its carried image is; returns the exit code.
  int InitInstance(const std::vector<std::string>& arguments, EmbeddedTable carriedFiles,
                   CarriedImageKind carriedImage);
};

}  // namespace tamsel
