#pragma once
// A modal message box with an icon, a text and an OK button; Show returns
// once the operator has closed it (OK, Enter, Esc or the close box).

#include <string>

#include "ui/view.h"

namespace tamsel {

void ShowFltkMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);

}  // namespace tamsel
