#pragma once
// The detected-flash records kept in every device slot: one chip-table row
// (SpiFlashDesc) and the slot's detected chip (SpiFlash). The chip table and
// the detection that fills them live in the flash layer.

#include <array>
#include <cstdint>

namespace tamsel {

struct SpiController;

struct SpiFlashDesc {
  uint8_t manufacturerId = 0;
  uint8_t memoryType = 0;
  uint8_t capacityId = 0;
  uint8_t opcodeSet = 0;  // index into SpiOpcodeSets
  uint16_t sizeKiB = 0;
  uint8_t statusBytes = 1;      // data bytes of the status-register write
  uint8_t needsEwsr = 0;        // 1: status write enabled by EWSR instead of WREN
  uint16_t pageSize = 256;      // bytes per program command
  std::array<char, 14> name{};  // NUL-padded
  uint16_t programTimeoutMs = 1000;
  uint16_t chipEraseTimeoutMs = 20000;
};

struct SpiFlash {
  SpiController* controller = nullptr;  // the same slot's controller
  SpiFlashDesc desc;
  uint8_t supported = 0;  // 1 when the ID was found in the chip table
};

}  // namespace tamsel
