#include "flash/spi_flash_chip_table.h"

#include <algorithm>
#include <string_view>

namespace tamsel {
namespace {

constexpr SpiFlashDesc Row(uint8_t manufacturerId, uint8_t memoryType, uint8_t capacityId, uint16_t sizeKiB,
                           uint8_t opcodeSet, uint8_t statusBytes, uint8_t needsEwsr, uint16_t pageSize,
                           std::string_view name) {
  SpiFlashDesc desc;
  desc.manufacturerId = manufacturerId;
  desc.memoryType = memoryType;
  desc.capacityId = capacityId;
  desc.opcodeSet = opcodeSet;
  desc.sizeKiB = sizeKiB;
  desc.statusBytes = statusBytes;
  desc.needsEwsr = needsEwsr;
  desc.pageSize = pageSize;
  desc.name = {};
  std::copy_n(name.begin(), std::min(name.size(), desc.name.size() - 1), desc.name.begin());
  desc.programTimeoutMs = 1000;
  desc.chipEraseTimeoutMs = 20000;
  return desc;
}

}  // namespace

// Columns: ID bytes, size KiB, opcode set, status bytes, EWSR, page size, name.
// Sizes stand as the parts are sold, also where they break the capacity-byte
// pattern (AT25DF021A and EN25P05).
const std::array<SpiFlashDesc, kSpiFlashChipCount> SpiFlashChipTable = {{
    Row(0x37, 0x30, 0x10, 64, 0, 1, 0, 256, "A25L512"),      // 0
    Row(0x37, 0x30, 0x11, 128, 0, 1, 0, 256, "A25L010"),     // 1
    Row(0x37, 0x30, 0x12, 256, 0, 1, 0, 256, "A25L020"),     // 2
    Row(0x37, 0x30, 0x13, 512, 0, 1, 0, 256, "A25L040"),     // 3
    Row(0x1F, 0x65, 0x00, 64, 0, 1, 0, 256, "AT25F512B"),    // 4
    Row(0x1C, 0x31, 0x10, 64, 0, 1, 0, 256, "EN25F05"),      // 5
    Row(0x1C, 0x31, 0x11, 128, 0, 1, 0, 256, "EN25F10"),     // 6
    Row(0x1C, 0x31, 0x12, 256, 0, 1, 0, 256, "EN25F20"),     // 7
    Row(0x1C, 0x31, 0x13, 512, 0, 1, 0, 256, "EN25F40"),     // 8
    Row(0xC2, 0x20, 0x10, 64, 0, 1, 0, 256, "MX25L512E"),    // 9
    Row(0xC2, 0x20, 0x11, 128, 0, 1, 0, 256, "MX25L1006E"),  // 10
    Row(0xC2, 0x20, 0x12, 256, 0, 1, 0, 256, "MX25L2006E"),  // 11
    Row(0xC2, 0x20, 0x13, 512, 0, 1, 0, 256, "MX25L4006E"),  // 12
    Row(0xBF, 0x48, 0xBF, 64, 4, 1, 1, 1, "25VF512A"),       // 13
    Row(0xBF, 0x49, 0xBF, 128, 3, 1, 1, 1, "25VF010A"),      // 14
    Row(0xBF, 0x25, 0x8C, 256, 6, 2, 1, 1, "25VF020B"),      // 15
    Row(0xBF, 0x25, 0x8D, 512, 3, 1, 1, 1, "25VF040B"),      // 16
    Row(0xBF, 0x43, 0xBF, 256, 4, 1, 1, 1, "25VF020"),       // 17
    Row(0x7F, 0x9D, 0x20, 64, 0, 1, 0, 256, "Pm25LD512C"),   // 18
    Row(0x7F, 0x9D, 0x21, 128, 0, 1, 0, 256, "Pm25LD010C"),  // 19
    Row(0x7F, 0x9D, 0x22, 256, 0, 1, 0, 256, "Pm25LD020C"),  // 20
    Row(0x9D, 0x7B, 0x7F, 64, 1, 1, 0, 256, "Pm25LV512A"),   // 21
    Row(0x7F, 0x9D, 0x7C, 128, 1, 1, 0, 256, "Pm25LV010A"),  // 22
    Row(0x7F, 0x9D, 0x7D, 256, 1, 1, 0, 256, "Pm25LV020A"),  // 23
    Row(0x7F, 0x9D, 0x7E, 512, 1, 1, 0, 256, "Pm25LV040"),   // 24
    Row(0xEF, 0x30, 0x10, 64, 2, 1, 0, 256, "W25X05CL"),     // 25
    Row(0xEF, 0x30, 0x11, 128, 2, 1, 0, 256, "W25X10CL"),    // 26
    Row(0xEF, 0x30, 0x12, 256, 2, 1, 0, 256, "W25X20CL"),    // 27
    Row(0xEF, 0x30, 0x13, 512, 2, 1, 0, 256, "W25X40CL"),    // 28
    Row(0xC8, 0x40, 0x10, 64, 0, 1, 0, 256, "GD25D05"),      // 29
    Row(0xC8, 0x40, 0x11, 128, 0, 1, 0, 256, "GD25D10"),     // 30
    Row(0xC8, 0x40, 0x12, 256, 0, 1, 0, 256, "GD25D20"),     // 31
    Row(0xC8, 0x40, 0x13, 512, 0, 1, 0, 256, "GD25D40"),     // 32
    Row(0xC2, 0x22, 0x10, 64, 0, 1, 0, 32, "MX25L5121E"),    // 33
    Row(0xC2, 0x22, 0x11, 128, 0, 1, 0, 32, "MX25L1021E"),   // 34
    Row(0x8C, 0x30, 0x10, 64, 0, 1, 0, 256, "F25L05PA"),     // 35
    Row(0x8C, 0x30, 0x11, 128, 0, 1, 0, 256, "F25L01PA"),    // 36
    Row(0x8C, 0x30, 0x12, 256, 0, 1, 0, 256, "F25L02PA"),    // 37
    Row(0x8C, 0x30, 0x13, 512, 0, 1, 0, 256, "F25L04PA"),    // 38
    Row(0x20, 0x20, 0x10, 64, 7, 1, 0, 256, "M25P05"),       // 39
    Row(0x20, 0x20, 0x11, 128, 7, 1, 0, 256, "M25P10"),      // 40
    Row(0x20, 0x80, 0x11, 128, 7, 1, 0, 256, "M25PE10"),     // 41
    Row(0x20, 0x20, 0x12, 256, 7, 1, 0, 256, "M25P20"),      // 42
    Row(0x20, 0x80, 0x12, 256, 7, 1, 0, 256, "M25PE20S"),    // 43
    Row(0x20, 0x20, 0x13, 512, 7, 1, 0, 256, "M25P40"),      // 44
    Row(0x20, 0x80, 0x13, 512, 0, 1, 0, 256, "M25PE40"),     // 45
    Row(0x1F, 0x43, 0x00, 256, 0, 1, 0, 256, "AT25DF021"),   // 46
    Row(0x1F, 0x44, 0x01, 512, 0, 1, 0, 256, "AT25DF021A"),  // 47
    Row(0xC8, 0x41, 0x12, 256, 5, 2, 0, 256, "GD25Q21B"),    // 48
    Row(0x1C, 0x20, 0x10, 512, 7, 1, 0, 256, "EN25P05"),     // 49
    Row(0x68, 0x40, 0x10, 64, 0, 1, 0, 256, "BY25D05"),      // 50
    Row(0x68, 0x40, 0x11, 128, 0, 1, 0, 256, "BY25D10"),     // 51
    Row(0x68, 0x40, 0x12, 256, 0, 1, 0, 256, "BY25D20"),     // 52
    Row(0x68, 0x40, 0x13, 512, 0, 1, 0, 256, "BY25D40"),     // 53
    Row(0xC8, 0x64, 0x10, 64, 0, 1, 0, 256, "GD25WD05"),     // 54
    Row(0xC8, 0x64, 0x11, 128, 0, 1, 0, 256, "GD25WD10"),    // 55
    Row(0xC8, 0x64, 0x12, 256, 0, 1, 0, 256, "GD25WD20"),    // 56
    Row(0xC8, 0x64, 0x13, 512, 0, 1, 0, 256, "GD25WD40"),    // 57
    Row(0x9D, 0x40, 0x10, 64, 0, 1, 0, 256, "IS25LQ512"),    // 58
    Row(0x9D, 0x40, 0x11, 128, 0, 1, 0, 256, "IS25LQ010"),   // 59
    Row(0x9D, 0x40, 0x12, 256, 0, 1, 0, 256, "IS25LQ020"),   // 60
    Row(0x9D, 0x40, 0x13, 512, 0, 1, 0, 256, "IS25LQ040"),   // 61
    Row(0xC2, 0x23, 0x10, 64, 0, 1, 0, 256, "MX25L512F"),    // 62
    Row(0xC2, 0x23, 0x11, 128, 0, 1, 0, 256, "MX25V1035F"),  // 63
    Row(0xC2, 0x23, 0x12, 256, 0, 1, 0, 256, "MX25V2035F"),  // 64
    Row(0xC2, 0x23, 0x13, 512, 0, 1, 0, 256, "MX25V4035F"),  // 65
    Row(0x85, 0x60, 0x10, 64, 0, 1, 0, 256, "P25Q05H"),      // 66
    Row(0x85, 0x40, 0x10, 64, 0, 1, 0, 256, "P25Q06H"),      // 67
    Row(0x85, 0x60, 0x11, 128, 0, 1, 0, 256, "P25Q10H"),     // 68
    Row(0x85, 0x40, 0x11, 128, 0, 1, 0, 256, "P25Q11H"),     // 69
    Row(0x85, 0x60, 0x12, 256, 0, 1, 0, 256, "P25Q20H"),     // 70
    Row(0x85, 0x40, 0x12, 256, 0, 1, 0, 256, "P25Q21H"),     // 71
    Row(0x85, 0x60, 0x13, 512, 0, 1, 0, 256, "P25Q40H"),     // 72
    Row(0xEF, 0x40, 0x12, 256, 2, 1, 0, 256, "W25Q20CL"),    // 73
    Row(0xEF, 0x40, 0x13, 512, 2, 1, 0, 256, "W25Q40CL"),    // 74
}};

const SpiFlashDesc* FindSpiFlashChip(uint8_t manufacturerId, uint8_t memoryType, uint8_t capacityId) {
  for (const SpiFlashDesc& row : SpiFlashChipTable) {
    if (row.manufacturerId == manufacturerId && row.memoryType == memoryType &&
        row.capacityId == capacityId) {
      return &row;
    }
  }
  return nullptr;
}

SpiFlashDesc UnknownSpiFlashDesc(uint8_t manufacturerId, uint8_t memoryType, uint8_t capacityId) {
  return Row(manufacturerId, memoryType, capacityId, 512, 0, 1, 0, 256, "Unknown");
}

}  // namespace tamsel
