// Feeds arbitrary argument lists (separated by NUL bytes) to the command-line
// handling: the routines that build the command-line text and take options
// and their values out of it, and start-up's option reading (/CMD, /?, /S,
// /DBG values, /O, /C:, /P, /A and the /L text). Start-up runs without
// hardware: no machine is bound, so the driver never loads and start-up ends
// after the options, in a scratch working directory emptied after each input.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/recording_start_up_dialog.h"
#include "app/start_up.h"
#include "files/history_log.h"
#include "hw/hardware_operations.h"
#include "platform/trace.h"

namespace {

using namespace tamsel;

namespace fs = std::filesystem;

void Check(bool promise) {
  if (!promise) __builtin_trap();
}

std::vector<std::string> SplitArguments(std::string_view bytes) {
  std::vector<std::string> arguments;
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\0'), bytes.size());
    arguments.emplace_back(bytes.substr(0, end));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  return arguments;
}

bool IsUpperCase(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The text routines on their own: what they take out is what they return.
void CheckTextRoutines(const std::vector<std::string>& arguments) {
  std::string text = BuildInitCmd(arguments);
  Check(text.ends_with(" /A "));
  Check(text.find_first_of("_\t\n") == std::string::npos);
  ToUpperAscii(text);
  Check(IsUpperCase(text));
  for (const std::string_view option : {"/DBG", "/C:", "/L", "/S"}) {
    std::string rest = text;
    std::string value;
    if (!GetOptionValue(rest, option, value)) continue;
    Check(value.find_first_of(" /") == std::string::npos);
    Check(rest.size() == text.size() - option.size() - value.size());
    vCharToHex(value);
  }
}

void EmptyDirectory(const fs::path& directory) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory, ec))
    fs::remove_all(entry.path(), ec);
}

const fs::path& WorkDirectory() {
  static const fs::path directory = [] {
    fs::path path = fs::temp_directory_path() / "tamsel-fuzz-command-line";
    fs::create_directories(path);
    return path;
  }();
  return directory;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  History().SetEcho(nullptr);
  SetTraceSink([](std::string_view) {});
  BindHardwarePlatform(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<std::string> arguments =
      SplitArguments(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckTextRoutines(arguments);

  // Start-up works in the current directory; the fuzzer's own paths are
  // relative to the one it was started in.
  const fs::path started = fs::current_path();
  fs::current_path(WorkDirectory());
  ProductionState state;
  RecordingStartUpDialog dialog;
  g_nDebugLevel = 0;
  RunStartUp(arguments, state, dialog);
  fs::current_path(started);
  Check(dialog.exitCode == -1 || dialog.exitCode == kExitUsageShown || dialog.exitCode == kExitQuitRequested);
  Check(g_nDebugLevel >= 0 && g_nDebugLevel <= 0xFF);
  if (dialog.exitCode != kExitUsageShown) {
    Check(state.options.m_bAutoMode);
    Check(IsUpperCase(state.restriction.strLimitFWVer));
  }
  if (dialog.exitCode == -1 && state.restriction.m_bLimitFWVer == 1) {
    Check(!state.restriction.strLimitFWVer.empty());
  }
  g_nDebugLevel = 0;
  EmptyDirectory(WorkDirectory());
  return 0;
}
