#pragma once
// The simulated machine's time. Every driver request advances it by the
// latency model; a flash chip's busy time passes only here.

#include <cstdint>

namespace tamsel::sim {

class VirtualClock {
 public:
  uint64_t NowNs() const { return nowNs_; }
  uint32_t NowMs() const { return static_cast<uint32_t>(nowNs_ / 1'000'000u); }
  void Advance(uint64_t nanoseconds) { nowNs_ += nanoseconds; }

 private:
  uint64_t nowNs_ = 0;
};

}  // namespace tamsel::sim
