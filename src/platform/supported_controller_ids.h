#pragma once
// The PCI IDs of the supported controllers, in the order the scan searches
// them. The list itself is the driver protocol's, which the kernel driver
// checks too.

#include <array>
#include <cstdint>

#include "qorio_protocol.h"

namespace tamsel {

struct ControllerId {
  uint16_t vendorId;
  uint16_t deviceId;
};

#define TAMSEL_CONTROLLER_ID(vendor, device) ControllerId{vendor, device},
inline constexpr std::array kSupportedControllerIds = {
    QORIO_FOR_EACH_SUPPORTED_CONTROLLER(TAMSEL_CONTROLLER_ID)};
#undef TAMSEL_CONTROLLER_ID

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
