#pragma once
// The process-wide trace facility: message lines ("MSG::", level 3 and up) and
// error lines ("ERR::", level 1 and up), printf-formatted, one line per call.
// Formatting is cut at 4095 characters, never overflowing its buffers.

#include <functional>
#include <string_view>

namespace tamsel {

// Trace level; 0 writes nothing. Set once at start-up from /DBG.
extern int g_nDebugLevel;

// Receives each finished line, prefix included ("MSG::text"), without a line end.
using TraceSink = std::function<void(std::string_view line)>;

// Replaces the sink (tests read the lines); an empty sink restores standard error.
void SetTraceSink(TraceSink sink);

// Creates the trace lock; kept for the start-up order, the lock always exists.
void vDEBUG_Initial_printf();

void TraceMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
void TraceError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tamsel

// By convention every trace line starts with the routine's name and the line.
#define TRACE_MSG(routine, fmt, ...) \
  ::tamsel::TraceMessage("%s:%d: " fmt, routine, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define TRACE_ERR(routine, fmt, ...) \
  ::tamsel::TraceError("%s:%d: " fmt, routine, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
