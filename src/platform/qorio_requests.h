#pragma once
// The I/O driver's request protocol, shared by the client and every device
// end: the request codes and the byte-exact little-endian input records.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace tamsel::qorio {

// CTL_CODE(0x8000, function, METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr uint32_t ControlCode(uint32_t function) {
  return 0x8000u << 16 | function << 2;
}

inline constexpr uint32_t kIoctlMap = ControlCode(0x800);
inline constexpr uint32_t kIoctlUnmap = ControlCode(0x801);
inline constexpr uint32_t kIoctlGetPort = ControlCode(0x802);
inline constexpr uint32_t kIoctlSetPort = ControlCode(0x803);
inline constexpr uint32_t kIoctlReadMem = ControlCode(0x80A);
inline constexpr uint32_t kIoctlWriteMem = ControlCode(0x80B);
inline constexpr uint32_t kIoctlSetDebugLevel = ControlCode(0x80C);

// The name the driver's device answers to when opened.
inline constexpr const char* kDevicePath = "\\\\.\\QorIO";

inline constexpr uint32_t kWindowLength = 0x1000;
inline constexpr uint16_t kConfigAddressPort = 0xCF8;
inline constexpr uint16_t kConfigDataPort = 0xCFC;

inline constexpr std::size_t kMemRecordSize = 12;
inline constexpr std::size_t kPortRecordSize = 24;

// QORIO_MEM: address, length, value.
struct MemRecord {
  uint32_t address = 0;
  uint32_t length = 0;
  uint32_t value = 0;
};

// QORIO_PORT: 12 reserved bytes, port, width, value.
struct PortRecord {
  uint32_t port = 0;
  uint32_t width = 0;
  uint32_t value = 0;
};

inline uint32_t LoadLe32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

inline void StoreLe32(uint8_t* bytes, uint32_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
  bytes[2] = static_cast<uint8_t>(value >> 16);
  bytes[3] = static_cast<uint8_t>(value >> 24);
}

inline std::array<uint8_t, kMemRecordSize> Encode(const MemRecord& record) {
  std::array<uint8_t, kMemRecordSize> bytes{};
  StoreLe32(&bytes[0], record.address);
  StoreLe32(&bytes[4], record.length);
  StoreLe32(&bytes[8], record.value);
  return bytes;
}

inline std::array<uint8_t, kPortRecordSize> Encode(const PortRecord& record) {
  std::array<uint8_t, kPortRecordSize> bytes{};
  StoreLe32(&bytes[12], record.port);
  StoreLe32(&bytes[16], record.width);
  StoreLe32(&bytes[20], record.value);
  return bytes;
}

// Decoding fails on input shorter than the record.
inline bool Decode(std::span<const uint8_t> input, MemRecord& record) {
  if (input.size() < kMemRecordSize) return false;
  record = {LoadLe32(&input[0]), LoadLe32(&input[4]), LoadLe32(&input[8])};
  return true;
}

inline bool Decode(std::span<const uint8_t> input, PortRecord& record) {
  if (input.size() < kPortRecordSize) return false;
  record = {LoadLe32(&input[12]), LoadLe32(&input[16]), LoadLe32(&input[20])};
  return true;
}

// Configuration mechanism 1: the address written to 0xCF8.
inline constexpr uint32_t kConfigEnable = 0x80000000u;

constexpr uint32_t ConfigAddress(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset) {
  return kConfigEnable | uint32_t{bus} << 16 | uint32_t{device & 0x1Fu} << 11 |
         uint32_t{function & 0x07u} << 8 | uint32_t{offset & 0xFCu};
}

// What a device end keeps of a value written to 0xCF8: the enable bit, bus,
// device, function and the dword-aligned offset.
constexpr uint32_t LatchedConfigAddress(uint32_t value) {
  return value & 0x80FFFFFCu;
}

// The function an enabled address selects, as bus << 8 | device << 3 |
// function; nothing while the enable bit is clear.
constexpr std::optional<uint16_t> ConfigFunctionKey(uint32_t address) {
  if ((address & kConfigEnable) == 0) return std::nullopt;
  return static_cast<uint16_t>(address >> 8);
}

}  // namespace tamsel::qorio
