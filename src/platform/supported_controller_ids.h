#pragma once
// The PCI IDs of the supported controllers, in the order the scan searches them.

#include <array>
#include <cstdint>

namespace tamsel {

struct ControllerId {
  uint16_t vendorId;
  uint16_t deviceId;
};

inline constexpr std::array<ControllerId, 5> kSupportedControllerIds = {{
    {0x1E9C, 0x5832},  // QOR583x
    {0x1E9C, 0x5834},  // QOR583x
    {0x1E9C, 0x5844},  // QOR584x
    {0x1E9C, 0x5845},  // QOR584x
    {0x1E9C, 0x5846},  // QOR584x
}};

// The index of the pair in the table, or -1 when it is not supported.
constexpr int SupportedControllerIndex(uint16_t vendorId, uint16_t deviceId) {
  for (std::size_t i = 0; i < kSupportedControllerIds.size(); ++i) {
    if (kSupportedControllerIds[i].vendorId == vendorId && kSupportedControllerIds[i].deviceId == deviceId) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

constexpr bool IsSupportedControllerId(uint16_t vendorId, uint16_t deviceId) {
  return SupportedControllerIndex(vendorId, deviceId) >= 0;
}

}  // namespace tamsel
