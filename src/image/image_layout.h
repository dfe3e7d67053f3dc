#pragma once
// Layout of a firmware image, which is also the layout of the flash content
// from address 0: fixed tables, the QORX headers, the image directory and the
// areas it describes. Multi-byte fields are unsigned 32-bit little-endian.
// The readers here are bounds-checked: bytes come from files and flash chips.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tamsel {

// Register table: the only bytes a register-table-only update writes.
inline constexpr uint32_t kRegisterTableOffset = 0x000;
inline constexpr uint32_t kRegisterTableSize = 0x100;

// Header area with the QORX header at its start and the second QORX header at 0x180.
inline constexpr uint32_t kHeaderAreaOffset = 0x100;
inline constexpr uint32_t kHeaderAreaSize = 0x100;
inline constexpr uint32_t kQorxHeaderOffset = 0x100;
inline constexpr uint32_t kSecondQorxHeaderOffset = 0x180;
inline constexpr uint32_t kQorxHeaderSize = 48;
// Fields inside a QORX header.
inline constexpr uint32_t kQorxMagicField = 0;
inline constexpr uint32_t kQorxSignatureField = 4;
inline constexpr uint32_t kQorxChecksumField = 47;  // 8-bit sum of header bytes +0 to +46
inline constexpr std::array<uint8_t, 4> kQorxMagic = {'Q', 'O', 'R', 'X'};

// Image directory.
inline constexpr uint32_t kDirectoryOffset = 0x200;
inline constexpr uint32_t kDirectorySize = 0x100;
inline constexpr uint32_t kImageSignatureOffset = 0x200;
inline constexpr uint32_t kOptionRomAddressOffset = 0x210;
inline constexpr uint32_t kFixedAreaEntryOffset = 0x220;
inline constexpr uint32_t kHeaderAreaEntryOffset = 0x230;
inline constexpr uint32_t kFirmwareAreaEntryOffset = 0x240;
inline constexpr uint32_t kSecondFirmwareAreaEntryOffset = 0x250;
inline constexpr uint32_t kImageLengthOffset = 0x2F4;
inline constexpr uint32_t kDirectoryChecksumOffset = 0x2FF;  // 8-bit sum of 0x200 to 0x2FE

// Fields of a 16-byte directory entry. An area offset of 0 means the entry is absent.
inline constexpr uint32_t kDirectoryEntrySize = 16;
inline constexpr uint32_t kEntryAreaOffsetField = 0;
inline constexpr uint32_t kEntryAreaLengthField = 4;
inline constexpr uint32_t kEntryAreaCrcField = 8;

// The 16 signature bytes at 0x200 and at +4 of every QORX header.
inline constexpr std::size_t kImageSignatureSize = 16;
inline constexpr std::array<uint8_t, kImageSignatureSize> kImageSignature = {
    0x2C, 0x47, 0x67, 0x21, 0xF2, 0x73, 0x90, 0x47, 0x88, 0xF4, 0x26, 0x0C, 0xB1, 0x3E, 0x3E, 0x98};

// Tables the update keeps from the chip.
inline constexpr uint32_t kCustomerConfigTableOffset = 0x300;  // CCT
inline constexpr uint32_t kCustomerConfigTableSize = 0x100;
inline constexpr uint32_t kFirmwareRecordTableOffset = 0x1000;  // FRT
inline constexpr uint32_t kFirmwareRecordTableSize = 0x1000;

// The only offset a present fixed-area entry may name, and the header area's exact place.
inline constexpr uint32_t kFixedAreaOffset = 0x2000;

// The six firmware-version bytes stand at this offset inside a firmware area.
inline constexpr uint32_t kFirmwareVersionOffset = 0x10;
inline constexpr std::size_t kFirmwareVersionSize = 6;

// Option ROM address values that mean "no option ROM".
inline constexpr uint32_t kNoOptionRom = 0;
inline constexpr uint32_t kErasedOptionRom = 0xFFFFFFFFu;

// Bytes of the directory through its checksum byte; a shorter image has no full directory.
inline constexpr uint32_t kDirectoryEnd = kDirectoryOffset + kDirectorySize;

struct DirectoryEntry {
  uint32_t areaOffset = 0;
  uint32_t areaLength = 0;
  uint32_t areaCrc = 0;

  bool present() const { return areaOffset != 0; }
};

// The count bytes at offset, or nothing when any of them lies beyond the image
// (offset + count is computed without wrapping).
std::optional<std::span<const uint8_t>> BoundedBytes(std::span<const uint8_t> image, uint64_t offset,
                                                     uint64_t count);
std::optional<std::span<uint8_t>> BoundedBytes(std::span<uint8_t> image, uint64_t offset, uint64_t count);

std::optional<uint8_t> ReadByte(std::span<const uint8_t> image, std::size_t offset);
std::optional<uint16_t> ReadLe16(std::span<const uint8_t> image, std::size_t offset);
std::optional<uint32_t> ReadLe32(std::span<const uint8_t> image, std::size_t offset);

// Writes value little-endian; false (and nothing written) when it does not fit.
bool WriteLe16(std::span<uint8_t> image, std::size_t offset, uint16_t value);
bool WriteLe32(std::span<uint8_t> image, std::size_t offset, uint32_t value);

// The entry whose 16 bytes start at entryOffset (one of the k...EntryOffset values).
std::optional<DirectoryEntry> ReadDirectoryEntry(std::span<const uint8_t> image, std::size_t entryOffset);

// 8-bit sum (modulo 256) of the bytes.
uint8_t ByteSum(std::span<const uint8_t> bytes);

}  // namespace tamsel
