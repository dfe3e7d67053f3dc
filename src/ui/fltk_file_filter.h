#pragma once
// Turns a file-open filter in the "label|pattern|label|pattern||" form the
// dialog logic uses into the tab-separated "label (pattern)" form of FLTK's
// file chooser. "*.*" (every file, with or without a dot) becomes "*".

#include <string>

namespace tamsel {

std::string ToFltkFileFilter(const std::string& filter);

}  // namespace tamsel
