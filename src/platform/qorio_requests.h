#pragma once
// The I/O driver's request protocol, shared by the client and every device
// end: the request codes and the byte-exact little-endian input records. The
// codes and layouts come from the kernel driver's own protocol header, so the
// program and the driver cannot drift apart; this header adds the C++ helpers.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "qorio_protocol.h"

namespace tamsel::qorio {

inline constexpr uint32_t kIoctlMap = QORIO_IOCTL_MAP;
inline constexpr uint32_t kIoctlUnmap = QORIO_IOCTL_UNMAP;
inline constexpr uint32_t kIoctlGetPort = QORIO_IOCTL_GETPORT;
inline constexpr uint32_t kIoctlSetPort = QORIO_IOCTL_SETPORT;
inline constexpr uint32_t kIoctlReadMem = QORIO_IOCTL_READMEM;
inline constexpr uint32_t kIoctlWriteMem = QORIO_IOCTL_WRITEMEM;
inline constexpr uint32_t kIoctlSetDebugLevel = QORIO_IOCTL_SETDEBUGLEVEL;

// The name the driver's device answers to when opened.
inline constexpr const char* kDevicePath = QORIO_DEVICE_PATH;

inline constexpr uint32_t kWindowLength = QORIO_WINDOW_LENGTH;
inline constexpr uint16_t kConfigAddressPort = QORIO_CONFIG_ADDRESS_PORT;
inline constexpr uint16_t kConfigDataPort = QORIO_CONFIG_DATA_PORT;

inline constexpr std::size_t kMemRecordSize = QORIO_MEM_RECORD_SIZE;
inline constexpr std::size_t kPortRecordSize = QORIO_PORT_RECORD_SIZE;

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
  StoreLe32(&bytes[QORIO_MEM_ADDRESS], record.address);
  StoreLe32(&bytes[QORIO_MEM_LENGTH], record.length);
  StoreLe32(&bytes[QORIO_MEM_VALUE], record.value);
  return bytes;
}

inline std::array<uint8_t, kPortRecordSize> Encode(const PortRecord& record) {
  std::array<uint8_t, kPortRecordSize> bytes{};
  StoreLe32(&bytes[QORIO_PORT_PORT], record.port);
  StoreLe32(&bytes[QORIO_PORT_WIDTH], record.width);
  StoreLe32(&bytes[QORIO_PORT_VALUE], record.value);
  return bytes;
}

// Decoding fails on input shorter than the record.
inline bool Decode(std::span<const uint8_t> input, MemRecord& record) {
  if (input.size() < kMemRecordSize) return false;
  record = {LoadLe32(&input[QORIO_MEM_ADDRESS]), LoadLe32(&input[QORIO_MEM_LENGTH]),
            LoadLe32(&input[QORIO_MEM_VALUE])};
  return true;
}

inline bool Decode(std::span<const uint8_t> input, PortRecord& record) {
  if (input.size() < kPortRecordSize) return false;
  record = {LoadLe32(&input[QORIO_PORT_PORT]), LoadLe32(&input[QORIO_PORT_WIDTH]),
            LoadLe32(&input[QORIO_PORT_VALUE])};
  return true;
}

// Configuration mechanism 1: the address written to 0xCF8.
inline constexpr uint32_t kConfigEnable = QORIO_CONFIG_ENABLE;

constexpr uint32_t ConfigAddress(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset) {
  return QORIO_CONFIG_ADDRESS(bus, device, function, offset);
}

// What a device end keeps of a value written to 0xCF8: the enable bit, bus,
// device, function and the dword-aligned offset.
constexpr uint32_t LatchedConfigAddress(uint32_t value) {
  return value & QORIO_CONFIG_ADDRESS_MASK;
}

// The function an enabled address selects, as bus << 8 | device << 3 |
// function; nothing while the enable bit is clear.
constexpr std::optional<uint16_t> ConfigFunctionKey(uint32_t address) {
  if ((address & kConfigEnable) == 0) return std::nullopt;
  return static_cast<uint16_t>(address >> 8);
}

}  // namespace tamsel::qorio
