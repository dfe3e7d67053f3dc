#pragma once
// Failures the operator and the calling script must see whatever the trace
// level: one line on standard error, and the same text as an error trace.

#include <string>

namespace tamsel {

// Writes "text" as a line on standard error and as the error trace
// "routine:line: text".
void ReportFailure(const char* routine, int line, const std::string& text);

// The system's text for an error code.
std::string SystemErrorText(int error);

}  // namespace tamsel
