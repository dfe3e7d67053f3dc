#pragma once
// The file-open chooser: FLTK's own chooser, opened in a start directory
// with a filter in the "label|pattern||" form; nothing when cancelled.

#include <optional>
#include <string>

namespace tamsel {

std::optional<std::string> ChooseFileWithFltk(const std::string& title, const std::string& filter,
                                              const std::string& startDirectory);

}  // namespace tamsel
