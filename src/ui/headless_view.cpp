#include "ui/headless_view.h"

#include "ui/message_box_text.h"

namespace tamsel {

void HeadlessView::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon) {
  const std::string line = WithoutCarriageReturns(text);
  std::fprintf(messages_, "%s: %s\n", caption.c_str(), line.c_str());
  std::fflush(messages_);
}

}  // namespace tamsel
