#pragma once
// The history: time-stamped lines appended to "history.log" and echoed to the
// standard output. The writer is process-wide; its directory, clock and echo
// stream are set once at start-up (and by tests).

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/local_clock.h"

namespace tamsel {

inline constexpr const char* kHistoryFileName = "history.log";

class HistoryWriter {
 public:
  // Directory of "history.log"; empty means the current working directory.
  void SetDirectory(std::string directory);
  // Clock of the stamps; null means the system's local time.
  void SetClock(LocalClock* clock);
  // Stream of the echo; standard output by default, null for none.
  void SetEcho(std::FILE* echo);

  void Write(const char* format, std::va_list arguments);

 private:
  std::mutex lock_;
  std::string directory_;
  LocalClock* clock_ = nullptr;
  std::FILE* echo_ = stdout;
};

// The process-wide writer.
HistoryWriter& History();

// Appends "stamp message" to history.log (a line end added when the message
// has none; message cut to 1023 characters) and echoes "stamp message\n".
// A history file that cannot be opened loses the entry silently.
void vWriteHistory(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "2026-12-10 09:05:07".
std::string FormatHistoryStamp(const LocalDateTime& when);

// The file form of a message: every bare line feed becomes CR LF, and CR LF
// ends the entry when the message does not end with a line feed.
std::string HistoryFileText(std::string_view stamp, std::string_view message);

}  // namespace tamsel
