#pragma once
// The busy notice: a small modeless window with a text and an OK button,
// titled with its caption so that it can be found and closed by title.

#include <string>

#include "ui/fltk_dialog_window.h"

namespace tamsel {

class FltkBusyNotice : public FltkDialogWindow {
 public:
  FltkBusyNotice(const std::string& text, const std::string& caption);
};

}  // namespace tamsel
