#include "hw/hardware_operations.h"

#include <array>
#include <cstring>

#include "hw/driver_connection.h"
#include "platform/qorio_requests.h"

namespace tamsel {

namespace {

DriverConnection g_connection;

DeviceIoReply Request(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output) {
  return g_connection.device->DeviceIoControl(code, input, output);
}

uint8_t ReadPortByte(uint16_t port) {
  const auto input = qorio::Encode(qorio::PortRecord{port, 1, 0});
  std::array<uint8_t, 4> output{};
  Request(qorio::kIoctlGetPort, input, output);
  return output[0];
}

// Reports success whenever the device is open, whatever the request returns.
bool WritePortByte(uint16_t port, uint8_t value) {
  const auto input = qorio::Encode(qorio::PortRecord{port, 1, value});
  Request(qorio::kIoctlSetPort, input, {});
  return true;
}

bool WriteConfigAddress(uint32_t address) {
  const auto input = qorio::Encode(qorio::PortRecord{qorio::kConfigAddressPort, 4, address});
  return Request(qorio::kIoctlSetPort, input, {}).succeeded;
}

uint16_t ConfigDataPort(uint8_t offset) {
  return static_cast<uint16_t>(qorio::kConfigDataPort + (offset & 3));
}

}  // namespace

DriverConnection& TheDriverConnection() {
  return g_connection;
}

void BindHardwarePlatform(HardwarePlatform* platform) {
  g_connection.device = nullptr;
  g_connection.platform = platform;
}

HardwarePlatform* BoundHardwarePlatform() {
  return g_connection.platform;
}

void SetQorIODriverDirectory(std::string directory) {
  g_connection.driverDirectory = std::move(directory);
}

bool IsQorIODriverLoaded() {
  return g_connection.device != nullptr;
}

uint8_t PciReadConfigByte(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset) {
  if (g_connection.device == nullptr) return 0;
  WriteConfigAddress(qorio::ConfigAddress(bus, device, function, offset));  // a failure is not noticed
  return ReadPortByte(ConfigDataPort(offset));
}

bool PciWriteConfigByte(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset, uint8_t value) {
  if (g_connection.device == nullptr) return false;
  if (!WriteConfigAddress(qorio::ConfigAddress(bus, device, function, offset))) return false;
  return WritePortByte(ConfigDataPort(offset), value);
}

uint32_t MapMem(uint32_t physical) {
  if (g_connection.device == nullptr) return 0;
  const auto input = qorio::Encode(qorio::MemRecord{physical, qorio::kWindowLength, 0});
  std::array<uint8_t, 8> output{};
  const uint32_t outputSize = g_connection.system64Bit ? 8 : 4;
  const DeviceIoReply reply = Request(qorio::kIoctlMap, input, std::span(output).first(outputSize));
  if (!reply.succeeded || reply.bytesReturned != outputSize) return 0;
  return qorio::LoadLe32(output.data());
}

void UnmapMem(uint32_t mapped) {
  if (g_connection.device == nullptr) return;
  const auto input = qorio::Encode(qorio::MemRecord{mapped, qorio::kWindowLength, 0});
  Request(qorio::kIoctlUnmap, input, {});
}

int32_t ReadMem(uint32_t address, uint32_t count, uint8_t* destination) {
  std::array<uint8_t, 4> output{};
  const uint32_t size = count < 4 ? count : 4;
  int32_t result = -2;
  if (g_connection.device != nullptr && count >= 1 && count <= 4) {
    const auto input = qorio::Encode(qorio::MemRecord{address, count, 0});
    const DeviceIoReply reply = Request(qorio::kIoctlReadMem, input, std::span(output).first(size));
    if (reply.succeeded && reply.bytesReturned == count) {
      result = 0;
    } else {
      output.fill(0);
    }
  }
  std::memcpy(destination, output.data(), size);
  return result;
}

int32_t WriteMem(uint32_t address, uint32_t count, const uint8_t* source) {
  if (g_connection.device == nullptr || count < 1 || count > 4) return -2;
  std::array<uint8_t, 4> value{};
  std::memcpy(value.data(), source, count);
  const auto input = qorio::Encode(qorio::MemRecord{address, count, qorio::LoadLe32(value.data())});
  const DeviceIoReply reply = Request(qorio::kIoctlWriteMem, input, {});
  return reply.succeeded && reply.bytesReturned == count ? 0 : -2;
}

uint32_t GetTickCountMs() {
  HardwarePlatform* platform = g_connection.platform;
  return platform != nullptr ? platform->Ticks().NowMs() : SteadyTickClock().NowMs();
}

}  // namespace tamsel

extern "C" int32_t SET_DEBUG_LEVEL(int32_t level) {
  using namespace tamsel;
  if (g_connection.device == nullptr) return -2;
  std::array<uint8_t, 4> input{};
  qorio::StoreLe32(input.data(), static_cast<uint32_t>(level));
  const DeviceIoReply reply = Request(qorio::kIoctlSetDebugLevel, input, {});
  return reply.succeeded && reply.bytesReturned == 4 ? 0 : -2;
}
