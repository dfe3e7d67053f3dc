#include "platform/failure_report.h"

#include <cstdio>
#include <cstring>

#include "platform/trace.h"

namespace tamsel {

void ReportFailure(const char* routine, int line, const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  TraceError("%s:%d: %s", routine, line, text.c_str());
}

std::string SystemErrorText(int error) {
  return std::strerror(error);
}

}  // namespace tamsel
