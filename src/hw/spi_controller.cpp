#include "hw/spi_controller.h"

#include <array>
#include <cstring>

#include "hw/hardware_operations.h"
#include "platform/pci_config_space.h"
#include "platform/qorio_requests.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr uint8_t kMemoryAndBusMaster = 0x06;
constexpr uint8_t kPowerStateMask = 0x03;
constexpr uint8_t kBar0Offset = 0x10;
constexpr uint32_t kBarFlagMask = 0xFFFFFFF1u;
constexpr uint8_t kConfigHeaderBytes = 64;
constexpr uint8_t kSpiConfigClearMask = 0xF1;
constexpr uint32_t kReadyTimeoutMs = 1000;
constexpr uint8_t kControlCountMask = 0x07;

uint8_t Config(const SpiController& c, uint8_t offset) {
  return PciReadConfigByte(c.bus, c.device, c.function, offset);
}

bool ValidCount(uint32_t count) {
  return count >= 1 && count <= 4;
}

// The last step of opening the window: SpiConfig bits 1-3 cleared, each
// access after the power-state check. False when a check did not end.
bool ClearSpiConfigBits(const SpiController& controller) {
  uint8_t config = 0;
  if (!SpiControllerEnsureD0(controller)) return false;
  ReadMem(controller.window + kSpiConfigRegister, 1, &config);
  if (!SpiControllerEnsureD0(controller)) return false;
  const auto cleared = static_cast<uint8_t>(config & kSpiConfigClearMask);
  WriteMem(controller.window + kSpiConfigRegister, 1, &cleared);
  return true;
}

}  // namespace

bool SpiControllerInit(uint8_t bus, uint8_t device, uint8_t function, SpiController& controller) {
  std::array<uint8_t, kConfigHeaderBytes> header{};
  for (uint8_t offset = 0; offset < kConfigHeaderBytes; ++offset) {
    header[offset] = PciReadConfigByte(bus, device, function, offset);
  }
  TRACE_MSG("SpiControllerInit", "SpiControllerInit: PCIGetBusData ");
  controller = SpiController{};
  controller.bus = bus;
  controller.device = device;
  controller.function = function;
  controller.vendorId = static_cast<uint16_t>(header[0] | header[1] << 8);
  controller.deviceId = static_cast<uint16_t>(header[2] | header[3] << 8);
  controller.barBase = qorio::LoadLe32(&header[kBar0Offset]) & kBarFlagMask;
  if (controller.barBase == 0) {
    TRACE_MSG("SpiControllerInit", "SpiControllerInit: baseaddress is 0 ");
    return false;
  }
  const uint32_t physical = controller.barBase + kSpiWindowOffset;
  controller.window = MapMem(physical);
  TRACE_MSG("MapMem", "MapMem: Address is %08X, Map Address %08X", physical, controller.window);
  if (controller.window == 0) return false;
  if (!ClearSpiConfigBits(controller)) {
    TRACE_ERR("SpiControllerInit", "SpiControllerInit: the power-state check did not end; window closed");
    UnmapMem(controller.window);
    controller.window = 0;
    return false;
  }
  return true;
}

bool SpiControllerEnsureD0(const SpiController& controller) {
  const CapabilitySearch pm = FindPciCapability(
      kPowerManagementCapabilityId, [&controller](uint8_t offset) { return Config(controller, offset); });
  if (pm.outcome == CapabilitySearch::Outcome::kEndless) return false;
  if (pm.outcome == CapabilitySearch::Outcome::kAbsent) return true;
  const auto statusOffset = static_cast<uint8_t>(pm.offset + kPowerManagementControlOffset);
  const uint8_t status = Config(controller, statusOffset);
  if ((status & kPowerStateMask) != 0) {
    PciWriteConfigByte(controller.bus, controller.device, controller.function, statusOffset,
                       static_cast<uint8_t>(status & ~kPowerStateMask));
    PciWriteConfigByte(controller.bus, controller.device, controller.function, kPciCommandOffset,
                       kMemoryAndBusMaster);
  }
  return true;
}

uint8_t SpiControllerReadRegister8(const SpiController& controller, uint32_t offset) {
  SpiControllerEnsureD0(controller);
  uint8_t value = 0;
  ReadMem(controller.window + offset, 1, &value);
  return value;
}

void SpiControllerWriteRegister8(const SpiController& controller, uint32_t offset, uint8_t value) {
  SpiControllerEnsureD0(controller);
  WriteMem(controller.window + offset, 1, &value);
}

bool SpiControllerWaitReady(const SpiController& controller) {
  const uint32_t start = GetTickCountMs();
  while (true) {
    if ((SpiControllerReadRegister8(controller, kSpiControlRegister) & kSpiControlStartBusy) == 0)
      return true;
    if (GetTickCountMs() - start >= kReadyTimeoutMs) return false;
  }
}

bool SpiControllerRead(const SpiController& controller, uint8_t* destination, uint32_t count) {
  if (!SpiControllerWaitReady(controller)) return false;
  if (!ValidCount(count)) return false;
  SpiControllerWriteRegister8(controller, kSpiControlRegister,
                              static_cast<uint8_t>(kSpiControlStartBusy | (count & kControlCountMask)));
  if (!SpiControllerWaitReady(controller)) return false;
  SpiControllerEnsureD0(controller);
  std::array<uint8_t, 4> data{};
  ReadMem(controller.window + kSpiDataRegister, 4, data.data());
  std::memcpy(destination, data.data(), count);
  return true;
}

bool SpiControllerWrite(const SpiController& controller, const uint8_t* source, uint32_t count) {
  if (!SpiControllerWaitReady(controller)) return false;
  if (!ValidCount(count)) return false;
  std::array<uint8_t, 4> data{};
  std::memcpy(data.data(), source, count);
  SpiControllerEnsureD0(controller);
  WriteMem(controller.window + kSpiDataRegister, 4, data.data());
  SpiControllerWriteRegister8(controller, kSpiControlRegister,
                              static_cast<uint8_t>(kSpiControlStartBusy | kSpiControlWrite | count));
  return SpiControllerWaitReady(controller);
}

void SpiControllerSelect(const SpiController& controller) {
  const uint8_t control = SpiControllerReadRegister8(controller, kSpiControlRegister);
  SpiControllerWriteRegister8(controller, kSpiControlRegister, control & ~kSpiControlChipRelease);
}

void SpiControllerDeselect(const SpiController& controller) {
  const uint8_t control = SpiControllerReadRegister8(controller, kSpiControlRegister);
  SpiControllerWriteRegister8(controller, kSpiControlRegister, control | kSpiControlChipRelease);
}

}  // namespace tamsel
