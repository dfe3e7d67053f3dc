#pragma once
// A modal message box with an icon, a text and an OK button; Show returns
// once the operator has closed it (OK, Enter, Esc or the close box).

#include <string>

#include "ui/view.h"

namespace tamsel {

void ShowFltkMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);

// Line ends as the dialog logic writes them ("\r\n") become plain line feeds.
std::string WithoutCarriageReturns(const std::string& text);

}  // namespace tamsel
