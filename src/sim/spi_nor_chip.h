#pragma once
// The simulated SPI NOR flash chip behind a controller window. Its storage is
// a byte span owned by the machine (a shared mapping of the content file, so
// every change persists however the program ends).

#include <cstdint>
#include <memory>
#include <span>

#include "sim/flash_chip_spec.h"
#include "sim/spi_bus_device.h"
#include "sim/virtual_clock.h"

namespace tamsel::sim {

// The chip size in bytes the spec describes (size_kib, else the chip table's, else 512 KiB).
uint32_t FlashChipSizeBytes(const FlashChipSpec& spec);

// storage.size() must equal FlashChipSizeBytes(spec).
std::unique_ptr<SpiBusDevice> MakeSpiNorChip(const FlashChipSpec& spec, std::span<uint8_t> storage,
                                             const VirtualClock& clock);

}  // namespace tamsel::sim
