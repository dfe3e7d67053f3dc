#pragma once
// The eight SPI opcode sets the chip table rows point to. A 0 means the set
// has no such command.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamsel {

struct SpiOpcodeSet {
  uint8_t wren;
  uint8_t wrdi;
  uint8_t rdsr;
  uint8_t rdsr2;
  uint8_t wrsr;
  uint8_t ewsr;
  uint8_t read;
  uint8_t fastRead;
  uint8_t chipErase;
  uint8_t sectorErase;
  uint8_t pageProgram;
  uint8_t aai;
};

inline constexpr std::size_t kSpiOpcodeSetCount = 8;

extern const std::array<SpiOpcodeSet, kSpiOpcodeSetCount> SpiOpcodeSets;

// The set a row names; an index out of range falls back to set 0.
const SpiOpcodeSet& SpiOpcodeSetOf(uint8_t opcodeSet);

}  // namespace tamsel
