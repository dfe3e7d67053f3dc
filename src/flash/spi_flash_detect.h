#pragma once
// Identifies the flash chip on a controller's SPI bus and picks its chip-table row.

#include <array>
#include <cstdint>

#include "hw/spi_controller.h"
#include "hw/spi_flash_record.h"

namespace tamsel {

using SpiFlashId = std::array<uint8_t, 3>;

// 0x9F: three ID bytes in the order received. On a failed read the bytes keep their values.
void SpiFlashReadJedecId(const SpiController& controller, SpiFlashId& id);

// 0xAB with three dummy bytes: the three signature bytes, as above.
void SpiFlashReadSignature(const SpiController& controller, SpiFlashId& id);

// Reads the JEDEC ID (falling back to the signature when it is all 0xFF or
// all 0x00) into the ID bytes of flash.desc, then fills the rest of desc and
// flash.supported from the chip table. False when no chip answers; the rest
// of desc and supported are then left as they were. flash.controller must be set.
bool SpiFlashDetectSpiFlashRom(SpiFlash& flash);

}  // namespace tamsel
