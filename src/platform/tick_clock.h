#pragma once
// The millisecond tick count used for time-outs and elapsed times. Real
// hardware uses a steady clock; the simulator a virtual one.

#include <cstdint>

namespace tamsel {

class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual uint32_t NowMs() = 0;
};

// A steady clock counting from the first call in this process.
TickClock& SteadyTickClock();

}  // namespace tamsel
