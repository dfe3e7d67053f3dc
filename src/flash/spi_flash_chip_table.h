#pragma once
// The table of supported SPI flash chips, searched by JEDEC ID in row order,
// and the defaults a chip outside it gets.

#include <array>
#include <cstddef>
#include <cstdint>

#include "hw/spi_flash_record.h"

namespace tamsel {

inline constexpr std::size_t kSpiFlashChipCount = 75;

extern const std::array<SpiFlashDesc, kSpiFlashChipCount> SpiFlashChipTable;

// The first row whose three ID bytes match, or nullptr.
const SpiFlashDesc* FindSpiFlashChip(uint8_t manufacturerId, uint8_t memoryType, uint8_t capacityId);

// The "Unknown" row: the given ID bytes, opcode set 0, 512 KiB, one status
// byte, no EWSR, 256-byte pages, time-outs 1000 and 20000 ms.
SpiFlashDesc UnknownSpiFlashDesc(uint8_t manufacturerId, uint8_t memoryType, uint8_t capacityId);

// The chip's capacity in bytes.
inline uint32_t SpiFlashSizeBytes(const SpiFlashDesc& desc) {
  return uint32_t{desc.sizeKiB} * 1024u;
}

}  // namespace tamsel
