#include "sim/pci_function.h"

namespace tamsel::sim {

namespace {

constexpr uint8_t kCommand = 0x04;
constexpr uint8_t kStatus = 0x06;
constexpr uint8_t kHeaderType = 0x0E;
constexpr uint8_t kBar0 = 0x10;
constexpr uint8_t kCapabilityPointer = 0x34;
constexpr uint8_t kMemorySpace = 0x02;
constexpr uint8_t kBusMaster = 0x04;
// Capability list of a controller: MSI, power management, PCI Express.
constexpr uint8_t kMsiOffset = 0x50;
constexpr uint8_t kPmOffset = 0x78;
constexpr uint8_t kPcieOffset = 0x80;

void Put16(std::array<uint8_t, 256>& config, uint8_t offset, uint16_t value) {
  config[offset] = static_cast<uint8_t>(value);
  config[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::array<uint8_t, 256>& config, uint8_t offset, uint32_t value) {
  Put16(config, offset, static_cast<uint16_t>(value));
  Put16(config, static_cast<uint8_t>(offset + 2), static_cast<uint16_t>(value >> 16));
}

}  // namespace

PciFunction::PciFunction(const PciFunctionSetup& setup) {
  Put16(config_, 0x00, setup.vendorId);
  Put16(config_, 0x02, setup.deviceId);
  config_[0x08] = 0x01;  // revision
  config_[0x09] = static_cast<uint8_t>(setup.classCode);
  config_[0x0A] = static_cast<uint8_t>(setup.classCode >> 8);
  config_[0x0B] = static_cast<uint8_t>(setup.classCode >> 16);
  config_[kHeaderType] = setup.multifunction ? 0x80 : 0x00;
  config_[kCommand] = setup.bar0 != 0 ? kMemorySpace | kBusMaster : 0;
  writable_[kCommand] = 0x47;
  writable_[kCommand + 1] = 0x05;
  Put32(config_, kBar0, setup.bar0);
  if (setup.bar0 != 0) {
    // Address bits above the BAR's size are writable (BAR sizing); flags are not.
    Put32(writable_, kBar0, ~(kBar0Size - 1));
    if ((setup.bar0 & 0x6) == 0x4) Put32(writable_, kBar0 + 4, 0xFFFFFFFFu);  // 64-bit: upper dword
  }
  for (int i = 0; i < 8; ++i) config_[0xF0 + i] = setup.versionRegisters[i];
  if (!setup.capabilities) return;

  config_[kStatus] = 0x10;  // capability list present
  config_[kCapabilityPointer] = kMsiOffset;
  const uint8_t afterMsi = setup.powerManagement ? kPmOffset : kPcieOffset;
  config_[kMsiOffset] = 0x05;
  config_[kMsiOffset + 1] = afterMsi;
  if (setup.powerManagement) {
    pmOffset_ = kPmOffset;
    config_[kPmOffset] = 0x01;
    config_[kPmOffset + 1] = kPcieOffset;
    Put16(config_, kPmOffset + 2, 0x0003);  // PM version 1.2, D1/D2 not supported
    config_[kPmOffset + 4] = setup.powerState & 3;
    writable_[kPmOffset + 4] = 0x03;
  }
  config_[kPcieOffset] = 0x10;
  config_[kPcieOffset + 1] = 0x00;
  config_[kPcieOffset + 2] = 0x02;
}

void PciFunction::WriteConfig(uint8_t offset, uint8_t value) {
  if (!answering_) return;
  const uint8_t mask = writable_[offset];
  const uint8_t before = config_[offset];
  config_[offset] = static_cast<uint8_t>((before & ~mask) | (value & mask));
  if (pmOffset_ != 0 && offset == pmOffset_ + 4 && (before & 3) == 3 && (config_[offset] & 3) == 0) {
    ResetAfterD3();
  }
}

uint8_t PciFunction::PowerState() const {
  return pmOffset_ != 0 ? config_[pmOffset_ + 4] & 3 : 0;
}

void PciFunction::DropToD3() {
  if (pmOffset_ != 0) config_[pmOffset_ + 4] |= 3;
}

bool PciFunction::DecodesMemory() const {
  return answering_ && PowerState() == 0 && (config_[kCommand] & kMemorySpace) != 0;
}

uint32_t PciFunction::Bar0Base() const {
  if (!answering_) return 0;
  const uint32_t bar = uint32_t{config_[kBar0]} | uint32_t{config_[kBar0 + 1]} << 8 |
                       uint32_t{config_[kBar0 + 2]} << 16 | uint32_t{config_[kBar0 + 3]} << 24;
  if ((bar & 1) != 0) return 0;  // an I/O BAR
  return bar & 0xFFFFFFF0u;
}

void PciFunction::ResetAfterD3() {
  config_[kCommand] = 0;
  config_[kCommand + 1] = 0;
}

}  // namespace tamsel::sim
