#pragma once
// What a simulated controller's shift register talks to: a device on its SPI
// bus. The controller drives the chip select and clocks bytes; each clocked
// byte goes out (MOSI) and one comes back (MISO). Commands that program or
// erase take effect when the chip select is released, as on real parts.
// Implementations make no OS calls and throw nothing.

#include <cstdint>

namespace tamsel::sim {

class SpiBusDevice {
 public:
  virtual ~SpiBusDevice() = default;
  // Chip select: true when driven active (low on the wire).
  virtual void SetChipSelect(bool selected) = 0;
  // One byte on the wire while selected; returns the byte the device drove.
  virtual uint8_t Exchange(uint8_t mosi) = 0;
};

}  // namespace tamsel::sim
