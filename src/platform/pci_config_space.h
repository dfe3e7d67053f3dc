#pragma once
// The configuration bytes of a PCI function that the program writes, and the
// walk of the function's capability list: from the pointer at 0x34, entry by
// entry (id, then next pointer), until the wanted id, an id of 0 or a pointer
// of 0. Pointers are 8-bit and wrap within the byte. The walk follows at most
// 48 entries, as operating systems do: a function that stopped answering
// (every byte 0xFF) or a list that loops would otherwise be walked for ever.
// Shared by the power-state check of the SPI window and the Linux driver,
// which allows configuration writes only where that check writes.

#include <cstdint>

namespace tamsel {

inline constexpr uint8_t kPciCommandOffset = 0x04;  // command register, low byte
inline constexpr uint8_t kCapabilityPointerOffset = 0x34;
inline constexpr uint8_t kPowerManagementCapabilityId = 0x01;
inline constexpr uint8_t kPowerManagementControlOffset = 4;  // of the entry: control/status, low byte
inline constexpr int kCapabilityWalkLimit = 48;

struct CapabilitySearch {
  enum class Outcome { kFound, kAbsent, kEndless };
  Outcome outcome = Outcome::kAbsent;
  uint8_t offset = 0;  // of the entry, when found
};

// readConfig(offset) -> the configuration byte at offset.
template <typename ReadConfig>
CapabilitySearch FindPciCapability(uint8_t id, ReadConfig readConfig) {
  uint8_t pointer = readConfig(kCapabilityPointerOffset);
  for (int step = 0; pointer != 0; ++step) {
    if (step == kCapabilityWalkLimit) return {CapabilitySearch::Outcome::kEndless, 0};
    const uint8_t found = readConfig(pointer);
    if (found == 0) return {};
    if (found == id) return {CapabilitySearch::Outcome::kFound, pointer};
    pointer = readConfig(static_cast<uint8_t>(pointer + 1));
  }
  return {};
}

}  // namespace tamsel
