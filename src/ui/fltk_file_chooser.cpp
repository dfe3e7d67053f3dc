#include "ui/fltk_file_chooser.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Window.H>

#include "ui/fltk_file_filter.h"
#include "ui/fltk_x11.h"

namespace tamsel {

namespace {

constexpr const char* kDefaultTitle = "Open";

// A start path naming a directory ends with "/" so the chooser lists it.
std::string StartPath(const std::string& startDirectory) {
  if (startDirectory.empty() || startDirectory.back() == '/') {
    return startDirectory;
  }
  return startDirectory + "/";
}

}  // namespace

std::optional<std::string> ChooseFileWithFltk(const std::string& title, const std::string& filter,
                                              const std::string& startDirectory) {
  const std::string fltkFilter = ToFltkFileFilter(filter);
  const std::string start = StartPath(startDirectory);
  Fl_File_Chooser chooser(start.c_str(), fltkFilter.c_str(), Fl_File_Chooser::SINGLE,
                          title.empty() ? kDefaultTitle : title.c_str());
  chooser.preview(0);
  if (!startDirectory.empty()) {
    chooser.directory(startDirectory.c_str());
  }
  chooser.show();
  // The chooser's window is the one shown last; keep it above the main window.
  if (Fl_Window* window = Fl::first_window()) {
    KeepAboveOthers(*window);
  }
  while (chooser.shown()) {
    Fl::wait();
  }
  const char* chosen = chooser.value();
  if (chosen == nullptr || *chosen == '\0') {
    return std::nullopt;
  }
  return std::string(chosen);
}

}  // namespace tamsel
