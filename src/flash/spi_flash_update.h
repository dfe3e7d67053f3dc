#pragma once
// The update engine: unlock the status register, erase, blank-check, program
// from address 0 and read back, up to three attempts. The caller holds the
// SPI grant and has detected the chip. Bytes a failed read transfer did not
// deliver never count as blank or as verified.

#include <cstdint>

#include "flash/flash_buffer.h"
#include "flash/progress_reporter.h"
#include "flash/spi_flash_blank_check.h"
#include "hw/spi_flash_record.h"

namespace tamsel {

inline constexpr int kUpdateAttempts = 3;
inline constexpr int kStatusUnlockAttempts = 3;
inline constexpr uint32_t kEraseSectorBytes = 4096;
inline constexpr uint32_t kProgressPieceBytes = 4096;

// True when, at the end, flash bytes 0..length-1 equal data. Reports nothing.
bool QOR7740UpdateSpiFlashRom(const SpiFlash& flash, const uint8_t* data, uint32_t length,
                              const FlashBufferAllocator& allocate = AllocateFlashBuffer);

// The same contract in 4 KiB pieces, with the console progress after every step.
bool QOR7740UpdateSpiFlashRom_CMD(const SpiFlash& flash, const uint8_t* data, uint32_t length,
                                  const ProgressReporter& progress,
                                  const FlashBufferAllocator& allocate = AllocateFlashBuffer);

// Sectors of 4 KiB erased on a chip outside the chip table: 16 for a
// 256-byte (register table) update, else the length rounded up to sectors.
uint32_t UnsupportedChipEraseSectors(uint32_t length);

}  // namespace tamsel
