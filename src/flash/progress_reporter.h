#pragma once
// The console progress of a command-line update: "\r%d%%..." on an output
// stream, followed by draining the window-message queue through the pump the
// caller hands in (the view's message pump; no-op by default).

#include <cstdint>
#include <functional>
#include <ostream>

namespace tamsel {

class ProgressReporter {
 public:
  using Pump = std::function<void()>;

  explicit ProgressReporter(std::ostream& out, Pump pump = {}) : out_(out), pump_(std::move(pump)) {}

  std::ostream& out() const { return out_; }
  void PumpMessages() const {
    if (pump_) pump_();
  }

 private:
  std::ostream& out_;
  Pump pump_;
};

// Writes "\r<percent>%..." and drains the message queue.
void vReportProgress(const ProgressReporter& reporter, uint32_t percent);

}  // namespace tamsel
