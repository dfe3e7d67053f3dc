#pragma once
// Test support: collects the trace lines written while it lives, at a chosen level.

#include <string>
#include <vector>

#include "platform/trace.h"

namespace tamsel {

class TraceCapture {
 public:
  explicit TraceCapture(int level = 9) : savedLevel_(g_nDebugLevel) {
    g_nDebugLevel = level;
    SetTraceSink([this](std::string_view line) { lines_.emplace_back(line); });
  }
  ~TraceCapture() {
    SetTraceSink(nullptr);
    g_nDebugLevel = savedLevel_;
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  const std::vector<std::string>& lines() const { return lines_; }

  // True when some line contains the text.
  bool Contains(std::string_view text) const {
    for (const std::string& line : lines_) {
      if (line.find(text) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

 private:
  int savedLevel_;
  std::vector<std::string> lines_;
};

}  // namespace tamsel
