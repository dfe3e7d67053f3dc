#include "flash/spi_grant.h"

#include "hw/hardware_operations.h"

namespace tamsel {
namespace {

void SetGrantRequest(const SpiController& controller, bool request) {
  const uint8_t grant = SpiControllerReadRegister8(controller, kSpiGrantRegister);
  const uint8_t value = request ? static_cast<uint8_t>(grant | kSpiGrantRequest)
                                : static_cast<uint8_t>(grant & ~kSpiGrantRequest);
  SpiControllerWriteRegister8(controller, kSpiGrantRegister, value);
}

bool WaitForGrant(const SpiController& controller) {
  const uint32_t start = GetTickCountMs();
  do {
    if ((SpiControllerReadRegister8(controller, kSpiGrantRegister) & kSpiGrantGranted) != 0) {
      return true;
    }
  } while (GetTickCountMs() - start < kGrantAttemptMs);
  return false;
}

}  // namespace

bool QOR7740SpiGetControlGrant(const SpiController& controller) {
  for (int attempt = 0; attempt < kGrantAttempts; ++attempt) {
    SetGrantRequest(controller, true);
    if (WaitForGrant(controller)) {
      return true;
    }
    SetGrantRequest(controller, false);
  }
  return false;
}

void QOR7740SpiReleaseControlGrant(const SpiController& controller) {
  SetGrantRequest(controller, false);
}

}  // namespace tamsel
