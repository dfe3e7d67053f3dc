#include "ui/headless_view.h"

namespace tamsel {

void HeadlessView::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon) {
  std::string line;
  for (char c : text) {
    if (c != '\r') {
      line += c;
    }
  }
  while (!line.empty() && line.back() == '\n') {
    line.pop_back();
  }
  std::fprintf(messages_, "%s: %s\n", caption.c_str(), line.c_str());
  std::fflush(messages_);
}

}  // namespace tamsel
