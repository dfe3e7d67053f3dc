#pragma once
// The text a message box shows, whatever draws it.

#include <string>

namespace tamsel {

// Line ends as the dialog logic writes them ("\r\n") become plain line feeds,
// and trailing line ends are dropped.
std::string WithoutCarriageReturns(const std::string& text);

}  // namespace tamsel
