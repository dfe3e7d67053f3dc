#include "platform/tick_clock.h"

#include <chrono>

namespace tamsel {

namespace {

class SteadyClock final : public TickClock {
 public:
  uint32_t NowMs() override {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

TickClock& SteadyTickClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace tamsel
