#pragma once
// The parts of a PCI expansion ROM the tool reads: the pointer to its PCI Data
// Structure and the code revision there, which is the option ROM's version.

#include <cstdint>
#include <span>
#include <string>

namespace tamsel {

inline constexpr std::size_t kOptionRomReadSize = 64;       // bytes read at the option ROM's address
inline constexpr uint32_t kOptionRomSignatureField = 0x00;  // 0x55 0xAA
inline constexpr uint32_t kOptionRomSizeField = 0x02;       // size in 512-byte units
inline constexpr uint32_t kPciDataPointerField = 0x18;      // 16-bit offset of the PCI Data Structure
// Fields of the PCI Data Structure.
inline constexpr uint32_t kPciDataVendorField = 0x04;
inline constexpr uint32_t kPciDataDeviceField = 0x06;
inline constexpr uint32_t kPciDataLengthField = 0x0A;
inline constexpr uint32_t kPciDataClassCodeField = 0x0D;
inline constexpr uint32_t kPciDataImageLengthField = 0x10;
inline constexpr uint32_t kPciDataRevisionMinorField = 0x12;
inline constexpr uint32_t kPciDataRevisionMajorField = 0x13;
inline constexpr uint32_t kPciDataIndicatorField = 0x15;
inline constexpr uint32_t kPciDataStructureSize = 0x18;

// True when an option ROM address names a ROM (neither 0 nor 0xFFFFFFFF).
bool HasOptionRom(uint32_t optionRomAddress);

// "%01x.%02x" of the code revision found through the PCI Data Structure pointer
// in the first bytes of the ROM, or "Invalid" when the revision bytes lie at
// offset 64 or beyond (or beyond the bytes given).
std::string OptionRomVersionText(std::span<const uint8_t> romStart);

}  // namespace tamsel
