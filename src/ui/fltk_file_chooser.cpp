#include "ui/fltk_file_chooser.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>

#include <cerrno>
#include <exception>

#include "ui/fltk_file_filter.h"
#include "ui/fltk_x11.h"

namespace tamsel {

namespace {

constexpr const char* kDefaultTitle = "Open";

// The directory the chooser opens in: the start path itself, or its parent
// when its last part is a wildcard name such as "*.*" (the start path may
// name the initial file as "DIR/*.*"). Ends with "/" so the chooser lists it.
std::string StartDirectory(const std::string& startPath) {
  std::string directory = startPath;
  const std::size_t slash = directory.rfind('/');
  const std::string last = slash == std::string::npos ? directory : directory.substr(slash + 1);
  if (last.find_first_of("*?") != std::string::npos) {
    directory.erase(slash == std::string::npos ? 0 : slash + 1);
  }
  if (!directory.empty() && directory.back() != '/') {
    directory += '/';
  }
  return directory;
}

// The name field holds the directory; put the cursor after it so that a
// name the operator types names a file in that directory.
void PlaceCursorAfterDirectory() {
  if (auto* name = dynamic_cast<Fl_Input*>(Fl::focus())) {
    name->position(name->size());
  }
}

// Shows the chooser and waits until the operator closes it.
FileChoice RunChooser(const std::string& title, const std::string& filter,
                      const std::string& startDirectory) {
  const std::string fltkFilter = ToFltkFileFilter(filter);
  const std::string start = StartDirectory(startDirectory);
  Fl_File_Chooser chooser(start.c_str(), fltkFilter.c_str(), Fl_File_Chooser::SINGLE,
                          title.empty() ? kDefaultTitle : title.c_str());
  chooser.preview(0);
  if (!start.empty()) {
    chooser.directory(start.c_str());
  }
  chooser.show();
  // The chooser's window is the one shown last: centre it and keep it above
  // the main window.
  if (Fl_Window* window = Fl::first_window()) {
    CentreOnScreen(*window);
    KeepAboveOthers(*window);
  }
  PlaceCursorAfterDirectory();
  while (chooser.shown()) {
    Fl::wait();
  }
  // A cancel empties the chooser's name, so it reports no path then.
  const char* chosen = chooser.value();
  if (chosen == nullptr || *chosen == '\0') {
    return {FileChoice::Outcome::kCancelled, {}, 0};
  }
  return {FileChoice::Outcome::kChosen, chosen, 0};
}

}  // namespace

FileChoice ChooseFileWithFltk(const std::string& title, const std::string& filter,
                              const std::string& startDirectory) {
  try {
    return RunChooser(title, filter, startDirectory);
  } catch (const std::exception&) {
    return {FileChoice::Outcome::kFailed, {}, errno};
  }
}

}  // namespace tamsel
