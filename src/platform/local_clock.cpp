#include "platform/local_clock.h"

#include <chrono>
#include <ctime>

namespace tamsel {

namespace {

class SystemClock final : public LocalClock {
 public:
  LocalDateTime Now() override {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    LocalDateTime result;
    result.year = static_cast<uint16_t>(local.tm_year + 1900);
    result.month = static_cast<uint8_t>(local.tm_mon + 1);
    result.day = static_cast<uint8_t>(local.tm_mday);
    result.hour = static_cast<uint8_t>(local.tm_hour);
    result.minute = static_cast<uint8_t>(local.tm_min);
    result.second = static_cast<uint8_t>(local.tm_sec);
    result.millisecond = static_cast<uint16_t>(millis);
    return result;
  }
};

}  // namespace

LocalClock& SystemLocalClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace tamsel
