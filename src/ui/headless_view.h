#pragma once
// The view used without a display and in silent mode: nothing touches a
// display, message boxes are written to standard error and return at once.

#include <cstdio>

#include "ui/widget_state_view.h"

namespace tamsel {

class HeadlessView final : public WidgetStateView {
 public:
  explicit HeadlessView(std::FILE* messages = stderr) : messages_(messages) {}

  // "caption: text" with the text's CR LF line ends written as line feeds.
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;

 private:
  std::FILE* messages_;
};

}  // namespace tamsel
