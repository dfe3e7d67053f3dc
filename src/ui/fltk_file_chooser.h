#pragma once
// The file-open chooser: FLTK's own chooser, opened in a start directory
// with a filter in the "label|pattern||" form. A cancelled chooser reports no
// path; one that cannot be made reports a failure with the system's error.

#include <string>

#include "ui/view.h"

namespace tamsel {

FileChoice ChooseFileWithFltk(const std::string& title, const std::string& filter,
                              const std::string& startDirectory);

}  // namespace tamsel
