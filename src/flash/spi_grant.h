#pragma once
// The controller's permission for the program to drive its SPI bus.

#include "hw/spi_controller.h"

namespace tamsel {

inline constexpr int kGrantAttempts = 3;
inline constexpr uint32_t kGrantAttemptMs = 3000;

// Requests the bus and waits for the grant bit: up to 3 attempts of 3000 ms
// on the tick clock, withdrawing the request after each failed one.
bool QOR7740SpiGetControlGrant(const SpiController& controller);

// Withdraws the access request.
void QOR7740SpiReleaseControlGrant(const SpiController& controller);

}  // namespace tamsel
