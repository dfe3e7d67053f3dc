#pragma once
// The way the files layer asks for a message box without showing one itself:
// the caller passes a notifier, the dialog shows the text through its view.

#include <string>

namespace tamsel {

// The application's standard caption of message boxes.
inline constexpr const char* kStandardCaption = "TamselWin";

struct OperatorMessage {
  std::string text;
  std::string caption = kStandardCaption;
};

class OperatorNotifier {
 public:
  virtual ~OperatorNotifier() = default;
  // Shows the message (OK button, exclamation icon) and returns once it is closed.
  virtual void ShowMessage(const OperatorMessage& message) = 0;
};

}  // namespace tamsel
