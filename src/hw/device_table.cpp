#include "hw/device_table.h"

#include <cstring>

#include "hw/hardware_operations.h"
#include "platform/supported_controller_ids.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr uint8_t kDevicesPerBus = 32;
constexpr uint8_t kFunctionsPerDevice = 8;
constexpr uint8_t kHeaderTypeOffset = 0x0E;
constexpr uint8_t kMultiFunctionBit = 0x80;
constexpr uint8_t kVersionRegistersOffset = 0xF0;

void ClearSlot(DeviceSlot& slot) {
  const std::array<uint8_t, 8> versionRegisters = slot.fwVersionRegs;  // kept, as the scan always did
  slot = DeviceSlot{};
  slot.fwVersionRegs = versionRegisters;
}

uint16_t ReadConfigWord(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset) {
  const uint8_t low = PciReadConfigByte(bus, device, function, offset);
  const uint8_t high = PciReadConfigByte(bus, device, function, static_cast<uint8_t>(offset + 1));
  return static_cast<uint16_t>(high << 8 | low);
}

void FillSlot(DeviceTable& table, uint8_t bus, uint8_t device, uint8_t function, int index) {
  DeviceSlot& slot = table.slots[table.uc584Host];
  slot.bus = bus;
  slot.device = device;
  slot.function = function;
  for (std::size_t i = 0; i < slot.fwVersionRegs.size(); ++i) {
    slot.fwVersionRegs[i] =
        PciReadConfigByte(bus, device, function, static_cast<uint8_t>(kVersionRegistersOffset + i));
  }
  ++table.uc584Host;
  TRACE_MSG("CTamselDlg::Scan584Dev",
            "Scan584Dev: i %02d uc584Host %02d 584 devices, bus %02X dev %02X fun %02X", index,
            table.uc584Host, bus, device, function);
}

}  // namespace

void SetSlotText(SlotText& text, const char* value) {
  text.fill('\0');
  if (value == nullptr) return;
  std::strncpy(text.data(), value, text.size() - 1);
}

void Scan584Dev(DeviceTable& table) {
  table.uc584Host = 0;
  for (DeviceSlot& slot : table.slots) ClearSlot(slot);
  for (unsigned bus = 0; bus <= 0xFF; ++bus) {
    for (uint8_t device = 0; device < kDevicesPerBus; ++device) {
      for (uint8_t function = 0; function < kFunctionsPerDevice; ++function) {
        if (table.uc584Host >= kMaxDevices) return;
        const auto b = static_cast<uint8_t>(bus);
        const uint16_t vendorId = ReadConfigWord(b, device, function, 0x00);
        if (vendorId == 0xFFFF) {
          if (function == 0) break;
          continue;
        }
        const uint16_t deviceId = ReadConfigWord(b, device, function, 0x02);
        const int index = SupportedControllerIndex(vendorId, deviceId);
        if (index >= 0) FillSlot(table, b, device, function, index);
        if (function == 0 && (PciReadConfigByte(b, device, 0, kHeaderTypeOffset) & kMultiFunctionBit) == 0)
          break;
      }
    }
  }
}

}  // namespace tamsel
