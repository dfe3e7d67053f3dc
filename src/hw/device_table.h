#pragma once
// The table of found controllers: 16 slots counted by uc584Host, filled by
// Scan584Dev in bus/device/function order.

#include <array>
#include <cstddef>
#include <cstdint>

#include "hw/spi_controller.h"
#include "hw/spi_flash_record.h"

namespace tamsel {

inline constexpr std::size_t kMaxDevices = 16;
inline constexpr std::size_t kSlotTextSize = 255;  // 254 characters and a NUL

using SlotText = std::array<char, kSlotTextSize>;

struct DeviceSlot {
  uint8_t bus = 0;
  uint8_t device = 0;
  uint8_t function = 0;
  SpiController controller;
  SpiFlash flash;
  std::array<uint8_t, 8> fwVersionRegs{};  // configuration bytes 0xF0..0xF7
  SlotText opromVersionText{};
  SlotText flashFwVersionText{};
  SlotText chipNameText{};
  SlotText capacityText{};
  uint32_t status = 0;  // OpStatus of the last operation
};

struct DeviceTable {
  uint8_t uc584Host = 0;
  std::array<DeviceSlot, kMaxDevices> slots{};
};

void Scan584Dev(DeviceTable& table);

// Sets a slot text, cut to 254 characters.
void SetSlotText(SlotText& text, const char* value);

}  // namespace tamsel
