#include "files/history_log.h"

#include <cstdio>

#include "files/file_access.h"

namespace tamsel {

namespace {

constexpr std::size_t kMessageBufferSize = 1024;  // 1023 characters and a NUL
constexpr std::size_t kStampBufferSize = 64;

// Appends the entry, creating the file when absent; failures are silent by design.
void AppendHistory(const std::string& path, const std::string& text) {
  int error = 0;
  AppendToFile(path, text, error, AppendTarget::kCreateWhenAbsent);
}

}  // namespace

void HistoryWriter::SetDirectory(std::string directory) {
  std::lock_guard<std::mutex> guard(lock_);
  directory_ = std::move(directory);
}

void HistoryWriter::SetClock(LocalClock* clock) {
  std::lock_guard<std::mutex> guard(lock_);
  clock_ = clock;
}

void HistoryWriter::SetEcho(std::FILE* echo) {
  std::lock_guard<std::mutex> guard(lock_);
  echo_ = echo;
}

void HistoryWriter::Write(const char* format, std::va_list arguments) {
  char message[kMessageBufferSize];
  std::vsnprintf(message, sizeof message, format, arguments);
  std::lock_guard<std::mutex> guard(lock_);
  LocalClock& clock = clock_ != nullptr ? *clock_ : SystemLocalClock();
  const std::string stamp = FormatHistoryStamp(clock.Now());
  if (echo_ != nullptr) {
    std::fprintf(echo_, "%s %s\n", stamp.c_str(), message);
    std::fflush(echo_);
  }
  AppendHistory(JoinPath(directory_, kHistoryFileName), HistoryFileText(stamp, message));
}

HistoryWriter& History() {
  static HistoryWriter writer;
  return writer;
}

void vWriteHistory(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  History().Write(format, arguments);
  va_end(arguments);
}

std::string FormatHistoryStamp(const LocalDateTime& when) {
  char stamp[kStampBufferSize];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day,
                when.hour, when.minute, when.second);
  return stamp;
}

std::string HistoryFileText(std::string_view stamp, std::string_view message) {
  std::string text(stamp);
  text += ' ';
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\n' && (i == 0 || message[i - 1] != '\r')) {
      text += '\r';
    }
    text += message[i];
  }
  if (message.empty() || message.back() != '\n') {
    text += "\r\n";
  }
  return text;
}

}  // namespace tamsel
