// The chip table and the opcode sets pinned against the published table,
// typed out here row by row: the simulated chips take their sizes, page
// sizes and opcodes from the program's own table, so a wrong row there would
// be copied by the simulator and pass every other test.

#include "flash/spi_flash_chip_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "flash/spi_opcode_sets.h"

namespace tamsel {
namespace {

struct PublishedRow {
  int number;
  std::array<uint8_t, 3> id;
  const char* name;
  int sizeKiB;
  int opcodeSet;
  int statusBytes;
  int ewsr;
  int pageSize;
};

// #, ID bytes, name, size KiB, opcode set, status bytes, EWSR, page size.
constexpr PublishedRow kPublishedChips[] = {
    {0, {0x37, 0x30, 0x10}, "A25L512", 64, 0, 1, 0, 256},
    {1, {0x37, 0x30, 0x11}, "A25L010", 128, 0, 1, 0, 256},
    {2, {0x37, 0x30, 0x12}, "A25L020", 256, 0, 1, 0, 256},
    {3, {0x37, 0x30, 0x13}, "A25L040", 512, 0, 1, 0, 256},
    {4, {0x1F, 0x65, 0x00}, "AT25F512B", 64, 0, 1, 0, 256},
    {5, {0x1C, 0x31, 0x10}, "EN25F05", 64, 0, 1, 0, 256},
    {6, {0x1C, 0x31, 0x11}, "EN25F10", 128, 0, 1, 0, 256},
    {7, {0x1C, 0x31, 0x12}, "EN25F20", 256, 0, 1, 0, 256},
    {8, {0x1C, 0x31, 0x13}, "EN25F40", 512, 0, 1, 0, 256},
    {9, {0xC2, 0x20, 0x10}, "MX25L512E", 64, 0, 1, 0, 256},
    {10, {0xC2, 0x20, 0x11}, "MX25L1006E", 128, 0, 1, 0, 256},
    {11, {0xC2, 0x20, 0x12}, "MX25L2006E", 256, 0, 1, 0, 256},
    {12, {0xC2, 0x20, 0x13}, "MX25L4006E", 512, 0, 1, 0, 256},
    {13, {0xBF, 0x48, 0xBF}, "25VF512A", 64, 4, 1, 1, 1},
    {14, {0xBF, 0x49, 0xBF}, "25VF010A", 128, 3, 1, 1, 1},
    {15, {0xBF, 0x25, 0x8C}, "25VF020B", 256, 6, 2, 1, 1},
    {16, {0xBF, 0x25, 0x8D}, "25VF040B", 512, 3, 1, 1, 1},
    {17, {0xBF, 0x43, 0xBF}, "25VF020", 256, 4, 1, 1, 1},
    {18, {0x7F, 0x9D, 0x20}, "Pm25LD512C", 64, 0, 1, 0, 256},
    {19, {0x7F, 0x9D, 0x21}, "Pm25LD010C", 128, 0, 1, 0, 256},
    {20, {0x7F, 0x9D, 0x22}, "Pm25LD020C", 256, 0, 1, 0, 256},
    {21, {0x9D, 0x7B, 0x7F}, "Pm25LV512A", 64, 1, 1, 0, 256},
    {22, {0x7F, 0x9D, 0x7C}, "Pm25LV010A", 128, 1, 1, 0, 256},
    {23, {0x7F, 0x9D, 0x7D}, "Pm25LV020A", 256, 1, 1, 0, 256},
    {24, {0x7F, 0x9D, 0x7E}, "Pm25LV040", 512, 1, 1, 0, 256},
    {25, {0xEF, 0x30, 0x10}, "W25X05CL", 64, 2, 1, 0, 256},
    {26, {0xEF, 0x30, 0x11}, "W25X10CL", 128, 2, 1, 0, 256},
    {27, {0xEF, 0x30, 0x12}, "W25X20CL", 256, 2, 1, 0, 256},
    {28, {0xEF, 0x30, 0x13}, "W25X40CL", 512, 2, 1, 0, 256},
    {29, {0xC8, 0x40, 0x10}, "GD25D05", 64, 0, 1, 0, 256},
    {30, {0xC8, 0x40, 0x11}, "GD25D10", 128, 0, 1, 0, 256},
    {31, {0xC8, 0x40, 0x12}, "GD25D20", 256, 0, 1, 0, 256},
    {32, {0xC8, 0x40, 0x13}, "GD25D40", 512, 0, 1, 0, 256},
    {33, {0xC2, 0x22, 0x10}, "MX25L5121E", 64, 0, 1, 0, 32},
    {34, {0xC2, 0x22, 0x11}, "MX25L1021E", 128, 0, 1, 0, 32},
    {35, {0x8C, 0x30, 0x10}, "F25L05PA", 64, 0, 1, 0, 256},
    {36, {0x8C, 0x30, 0x11}, "F25L01PA", 128, 0, 1, 0, 256},
    {37, {0x8C, 0x30, 0x12}, "F25L02PA", 256, 0, 1, 0, 256},
    {38, {0x8C, 0x30, 0x13}, "F25L04PA", 512, 0, 1, 0, 256},
    {39, {0x20, 0x20, 0x10}, "M25P05", 64, 7, 1, 0, 256},
    {40, {0x20, 0x20, 0x11}, "M25P10", 128, 7, 1, 0, 256},
    {41, {0x20, 0x80, 0x11}, "M25PE10", 128, 7, 1, 0, 256},
    {42, {0x20, 0x20, 0x12}, "M25P20", 256, 7, 1, 0, 256},
    {43, {0x20, 0x80, 0x12}, "M25PE20S", 256, 7, 1, 0, 256},
    {44, {0x20, 0x20, 0x13}, "M25P40", 512, 7, 1, 0, 256},
    {45, {0x20, 0x80, 0x13}, "M25PE40", 512, 0, 1, 0, 256},
    {46, {0x1F, 0x43, 0x00}, "AT25DF021", 256, 0, 1, 0, 256},
    {47, {0x1F, 0x44, 0x01}, "AT25DF021A", 512, 0, 1, 0, 256},
    {48, {0xC8, 0x41, 0x12}, "GD25Q21B", 256, 5, 2, 0, 256},
    {49, {0x1C, 0x20, 0x10}, "EN25P05", 512, 7, 1, 0, 256},
    {50, {0x68, 0x40, 0x10}, "BY25D05", 64, 0, 1, 0, 256},
    {51, {0x68, 0x40, 0x11}, "BY25D10", 128, 0, 1, 0, 256},
    {52, {0x68, 0x40, 0x12}, "BY25D20", 256, 0, 1, 0, 256},
    {53, {0x68, 0x40, 0x13}, "BY25D40", 512, 0, 1, 0, 256},
    {54, {0xC8, 0x64, 0x10}, "GD25WD05", 64, 0, 1, 0, 256},
    {55, {0xC8, 0x64, 0x11}, "GD25WD10", 128, 0, 1, 0, 256},
    {56, {0xC8, 0x64, 0x12}, "GD25WD20", 256, 0, 1, 0, 256},
    {57, {0xC8, 0x64, 0x13}, "GD25WD40", 512, 0, 1, 0, 256},
    {58, {0x9D, 0x40, 0x10}, "IS25LQ512", 64, 0, 1, 0, 256},
    {59, {0x9D, 0x40, 0x11}, "IS25LQ010", 128, 0, 1, 0, 256},
    {60, {0x9D, 0x40, 0x12}, "IS25LQ020", 256, 0, 1, 0, 256},
    {61, {0x9D, 0x40, 0x13}, "IS25LQ040", 512, 0, 1, 0, 256},
    {62, {0xC2, 0x23, 0x10}, "MX25L512F", 64, 0, 1, 0, 256},
    {63, {0xC2, 0x23, 0x11}, "MX25V1035F", 128, 0, 1, 0, 256},
    {64, {0xC2, 0x23, 0x12}, "MX25V2035F", 256, 0, 1, 0, 256},
    {65, {0xC2, 0x23, 0x13}, "MX25V4035F", 512, 0, 1, 0, 256},
    {66, {0x85, 0x60, 0x10}, "P25Q05H", 64, 0, 1, 0, 256},
    {67, {0x85, 0x40, 0x10}, "P25Q06H", 64, 0, 1, 0, 256},
    {68, {0x85, 0x60, 0x11}, "P25Q10H", 128, 0, 1, 0, 256},
    {69, {0x85, 0x40, 0x11}, "P25Q11H", 128, 0, 1, 0, 256},
    {70, {0x85, 0x60, 0x12}, "P25Q20H", 256, 0, 1, 0, 256},
    {71, {0x85, 0x40, 0x12}, "P25Q21H", 256, 0, 1, 0, 256},
    {72, {0x85, 0x60, 0x13}, "P25Q40H", 512, 0, 1, 0, 256},
    {73, {0xEF, 0x40, 0x12}, "W25Q20CL", 256, 2, 1, 0, 256},
    {74, {0xEF, 0x40, 0x13}, "W25Q40CL", 512, 2, 1, 0, 256},
};

struct PublishedOpcodes {
  int set;
  // WREN WRDI RDSR RDSR2 WRSR EWSR READ FAST-READ CHIP-ERASE SECTOR-ERASE PAGE-PROGRAM AAI
  std::array<uint8_t, 12> opcodes;
};

constexpr PublishedOpcodes kPublishedOpcodeSets[] = {
    {0, {0x06, 0x04, 0x05, 0x00, 0x01, 0x00, 0x03, 0x0B, 0xC7, 0x20, 0x02, 0x00}},
    {1, {0x06, 0x04, 0x05, 0x00, 0x01, 0x00, 0x03, 0x0B, 0xC7, 0xD7, 0x02, 0x00}},
    {2, {0x06, 0x04, 0x05, 0x00, 0x01, 0x00, 0x03, 0x0B, 0xC7, 0x20, 0x02, 0x00}},
    {3, {0x06, 0x04, 0x05, 0x00, 0x01, 0x50, 0x03, 0x0B, 0xC7, 0x20, 0x02, 0xAF}},
    {4, {0x06, 0x04, 0x05, 0x00, 0x01, 0x50, 0x03, 0x00, 0x60, 0x20, 0x02, 0xAF}},
    {5, {0x06, 0x04, 0x05, 0x35, 0x01, 0x00, 0x03, 0x0B, 0xC7, 0x20, 0x02, 0x00}},
    {6, {0x06, 0x04, 0x05, 0x35, 0x01, 0x50, 0x03, 0x0B, 0xC7, 0x20, 0x02, 0xAF}},
    {7, {0x06, 0x04, 0x05, 0x00, 0x01, 0x00, 0x03, 0x0B, 0xC7, 0x00, 0x02, 0x00}},
};

constexpr std::array<const char*, 12> kOpcodeNames = {
    "WREN", "WRDI",      "RDSR",       "RDSR2",        "WRSR",         "EWSR",
    "READ", "FAST READ", "CHIP ERASE", "SECTOR ERASE", "PAGE PROGRAM", "AAI"};

std::array<uint8_t, 12> OpcodesOf(const SpiOpcodeSet& s) {
  return {s.wren, s.wrdi,     s.rdsr,      s.rdsr2,       s.wrsr,        s.ewsr,
          s.read, s.fastRead, s.chipErase, s.sectorErase, s.pageProgram, s.aai};
}

// The name field as stored: the name, then NUL bytes to the end.
std::array<char, 14> PaddedName(const char* name) {
  std::array<char, 14> padded{};
  for (std::size_t i = 0; name[i] != '\0' && i + 1 < padded.size(); ++i) {
    padded[i] = name[i];
  }
  return padded;
}

TEST(SpiFlashChipTable, EveryRowMatchesThePublishedTable) {
  ASSERT_EQ(std::size(kPublishedChips), kSpiFlashChipCount);
  for (std::size_t i = 0; i < kSpiFlashChipCount; ++i) {
    const PublishedRow& want = kPublishedChips[i];
    const SpiFlashDesc& got = SpiFlashChipTable[i];
    const std::string row = "row " + std::to_string(want.number) + " (" + want.name + "): ";
    ASSERT_EQ(static_cast<std::size_t>(want.number), i) << "the published table is out of order";
    EXPECT_EQ(got.manufacturerId, want.id[0]) << row << "manufacturer ID";
    EXPECT_EQ(got.memoryType, want.id[1]) << row << "memory type";
    EXPECT_EQ(got.capacityId, want.id[2]) << row << "capacity ID";
    EXPECT_EQ(got.name, PaddedName(want.name)) << row << "name";
    EXPECT_EQ(got.sizeKiB, want.sizeKiB) << row << "size";
    EXPECT_EQ(got.opcodeSet, want.opcodeSet) << row << "opcode set";
    EXPECT_EQ(got.statusBytes, want.statusBytes) << row << "status bytes";
    EXPECT_EQ(got.needsEwsr, want.ewsr) << row << "EWSR";
    EXPECT_EQ(got.pageSize, want.pageSize) << row << "page size";
    EXPECT_EQ(got.programTimeoutMs, 1000) << row << "program time-out";
    EXPECT_EQ(got.chipEraseTimeoutMs, 20000) << row << "chip-erase time-out";
  }
}

TEST(SpiFlashChipTable, EveryOpcodeSetMatchesThePublishedSets) {
  ASSERT_EQ(std::size(kPublishedOpcodeSets), kSpiOpcodeSetCount);
  for (std::size_t i = 0; i < kSpiOpcodeSetCount; ++i) {
    const PublishedOpcodes& want = kPublishedOpcodeSets[i];
    ASSERT_EQ(static_cast<std::size_t>(want.set), i) << "the published sets are out of order";
    const std::array<uint8_t, 12> got = OpcodesOf(SpiOpcodeSets[i]);
    for (std::size_t column = 0; column < got.size(); ++column) {
      EXPECT_EQ(got[column], want.opcodes[column]) << "set " << i << ": " << kOpcodeNames[column];
    }
  }
}

}  // namespace
}  // namespace tamsel
