#include "platform/trace.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace tamsel {

int g_nDebugLevel = 0;

namespace {

constexpr std::size_t kTraceBufferSize = 4096;
constexpr int kMessageLevel = 3;
constexpr int kErrorLevel = 1;

struct TraceState {
  std::mutex lock;  // m_PrintCriticalSection
  TraceSink sink;
};

TraceState& State() {
  static TraceState state;
  return state;
}

void EmitToStandardError(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void Emit(int minimumLevel, const char* prefix, const char* format, va_list args) {
  if (g_nDebugLevel < minimumLevel) {
    return;
  }
  std::array<char, kTraceBufferSize> text{};
  std::vsnprintf(text.data(), text.size(), format, args);  // cuts, never overflows
  // The line buffer holds the 7-character prefix "\r\nMSG::" and the text; on
  // Linux the leading line break becomes the line end of the emitted line.
  std::string line = std::string("\r\n") + prefix;
  line.append(text.data(), std::min(std::strlen(text.data()), kTraceBufferSize - 1 - line.size()));
  const std::string_view emitted = std::string_view(line).substr(2);

  TraceState& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.sink) {
    state.sink(emitted);
  } else {
    EmitToStandardError(emitted);
  }
}

}  // namespace

void SetTraceSink(TraceSink sink) {
  TraceState& state = State();
  const std::lock_guard<std::mutex> guard(state.lock);
  state.sink = std::move(sink);
}

void vDEBUG_Initial_printf() {
  (void)State();
}

void TraceMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Emit(kMessageLevel, "MSG::", format, args);
  va_end(args);
}

void TraceError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Emit(kErrorLevel, "ERR::", format, args);
  va_end(args);
}

}  // namespace tamsel
