#pragma once
// The About box, laid out from its dialog template: the application's mark,
// the program name with its version, one more line and the close button.

namespace tamsel {

// Shows the About box modally; returns when it is closed.
void ShowFltkAboutBox();

// Its caption: "關於 TamselWin".
inline constexpr const char* kAboutCaption = "\xE9\x97\x9C\xE6\x96\xBC TamselWin";

}  // namespace tamsel
