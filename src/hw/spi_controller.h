#pragma once
// A controller's SPI register window (BAR0 + 0x1000) and its one transfer
// primitive: 1 to 4 bytes between the data register and the flash, with the
// chip select held between transfers. Every register access is a driver
// request preceded by SpiControllerEnsureD0.

#include <cstdint>

namespace tamsel {

struct SpiController {
  uint8_t bus = 0;
  uint8_t device = 0;
  uint8_t function = 0;
  uint16_t vendorId = 0;
  uint16_t deviceId = 0;
  uint32_t barBase = 0;  // BAR0 & 0xFFFFFFF1
  uint32_t window = 0;   // mapped address of barBase + 0x1000; 0 when closed
};

// Register offsets inside the window and control values.
inline constexpr uint32_t kSpiWindowOffset = 0x1000;
inline constexpr uint32_t kSpiDataRegister = 0xB00;
inline constexpr uint32_t kSpiControlRegister = 0xB04;
inline constexpr uint32_t kSpiGrantRegister = 0xB06;
inline constexpr uint32_t kSpiConfigRegister = 0xB11;
inline constexpr uint8_t kSpiControlStartBusy = 0x20;
inline constexpr uint8_t kSpiControlWrite = 0x08;
inline constexpr uint8_t kSpiControlChipRelease = 0x10;
inline constexpr uint8_t kSpiGrantRequest = 0x01;
inline constexpr uint8_t kSpiGrantGranted = 0x02;

// True when the window is open. A power-state check that does not end (the
// function stopped answering, or its capability list loops) counts as a
// window that failed to open: it is unmapped again and false returned.
bool SpiControllerInit(uint8_t bus, uint8_t device, uint8_t function, SpiController& controller);
// Brings the function back to D0 when its power-management capability says
// it left it. The capability list is followed for at most 48 entries; false
// when it did not end within them (nothing is written then).
bool SpiControllerEnsureD0(const SpiController& controller);
bool SpiControllerWaitReady(const SpiController& controller);
bool SpiControllerRead(const SpiController& controller, uint8_t* destination, uint32_t count);
bool SpiControllerWrite(const SpiController& controller, const uint8_t* source, uint32_t count);
void SpiControllerSelect(const SpiController& controller);
void SpiControllerDeselect(const SpiController& controller);

// One byte register of the window, with the power-state check before it
// (used by the grant routines of the flash layer).
uint8_t SpiControllerReadRegister8(const SpiController& controller, uint32_t offset);
void SpiControllerWriteRegister8(const SpiController& controller, uint32_t offset, uint8_t value);

}  // namespace tamsel
