#pragma once
// The blank check shared by the update engine and the per-device erase.

#include <cstdint>

#include "flash/flash_buffer.h"
#include "hw/spi_flash_record.h"

namespace tamsel {

// True when flash bytes 0..length-1 all read 0xFF.
bool QOR7740BlankCheckSpiFlashRom(const SpiFlash& flash, uint32_t length,
                                  const FlashBufferAllocator& allocate = AllocateFlashBuffer);

}  // namespace tamsel
