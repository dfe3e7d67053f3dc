#pragma once
// A controller's SPI register window (BAR0 + 0x1000): the data register, the
// control register whose start bit shifts 1 to 4 bytes to or from the SPI
// bus device, the grant register and the config register. Other offsets are
// plain storage. Faults: a grant that comes late or never, a busy bit that
// never clears, and stalls (the busy bit held for a while, as when the
// controller's own firmware uses the SPI bus). Accessed one byte at a time
// by the machine.

#include <array>
#include <cstdint>

#include "sim/spi_bus_device.h"
#include "sim/virtual_clock.h"

namespace tamsel::sim {

inline constexpr uint32_t kWindowSize = 0x1000;

struct WindowFaults {
  bool grantNever = false;
  uint32_t grantPolls = 0;  // grant reads that still see no grant
  bool busy = false;
};

class ControllerWindow {
 public:
  ControllerWindow(SpiBusDevice& bus, const VirtualClock& clock, WindowFaults faults, uint32_t spiByteNs);

  uint8_t Read(uint32_t offset);
  void Write(uint32_t offset, uint8_t value);

  bool ChipSelected() const { return chipSelected_; }
  // Holds the busy bit set for the next `nanoseconds` of virtual time; the
  // control register is ignored meanwhile, as during any transfer.
  void Stall(uint64_t nanoseconds);

 private:
  void WriteControl(uint8_t value);
  uint8_t ReadGrant();
  void Transfer(uint8_t control);
  bool Busy() const;

  SpiBusDevice& bus_;
  const VirtualClock& clock_;
  WindowFaults faults_;
  uint32_t spiByteNs_;
  std::array<uint8_t, kWindowSize> plain_{};
  std::array<uint8_t, 4> data_{};
  uint8_t control_ = 0x10;  // chip released
  uint8_t grant_ = 0;
  uint32_t grantReads_ = 0;
  uint64_t busyUntilNs_ = 0;
  bool chipSelected_ = false;
};

}  // namespace tamsel::sim
