#pragma once
// The local date and time source (log file names, time stamps). Injected so
// records can be tested byte for byte; real runs use the system's local time.

#include <cstdint>

namespace tamsel {

struct LocalDateTime {
  uint16_t year = 0;
  uint8_t month = 0;  // 1..12
  uint8_t day = 0;    // 1..31
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  uint16_t millisecond = 0;
};

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual LocalDateTime Now() = 0;
};

// The system's local time.
LocalClock& SystemLocalClock();

// A clock that always answers the time it was given (tests, simulations).
class FixedLocalClock final : public LocalClock {
 public:
  explicit FixedLocalClock(LocalDateTime when) : when_(when) {}
  LocalDateTime Now() override { return when_; }
  void Set(LocalDateTime when) { when_ = when; }

 private:
  LocalDateTime when_;
};

}  // namespace tamsel
