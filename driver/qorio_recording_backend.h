#pragma once
// Test support: a small PCI world behind the dispatcher's back-end interface.
// Functions are placed by location with their IDs, header type and BARs;
// every call the dispatcher makes is recorded, and mapped pages are plain
// memory the test can look into.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

extern "C" {
#include "qorio_backend.h"
#include "qorio_protocol.h"
}

namespace tamsel::qorio_test {

struct BackendCall {
  enum Kind { kConfigRead, kConfigWrite, kMap, kUnmap, kRead, kWrite } kind;
  uint32_t address = 0;  // configuration address, physical address or window offset
  uint32_t lane = 0;
  uint32_t width = 0;  // or byte count
  uint32_t value = 0;
};

struct FunctionSetup {
  uint8_t bus = 0;
  uint8_t device = 0;
  uint8_t function = 0;
  uint16_t vendorId = 0;
  uint16_t deviceId = 0;
  uint32_t bar0 = 0;
  uint32_t bar1 = 0;
  bool multifunction = false;
};

class RecordingBackend {
 public:
  using Page = std::array<uint8_t, QORIO_WINDOW_LENGTH>;

  void Add(const FunctionSetup& setup) {
    std::array<uint8_t, 256>& config =
        functions_[QORIO_CONFIG_ADDRESS(setup.bus, setup.device, setup.function, 0)];
    config.fill(0);
    Put32(config, 0x00, uint32_t{setup.vendorId} | uint32_t{setup.deviceId} << 16);
    config[0x0E] = setup.multifunction ? 0x80 : 0x00;
    Put32(config, 0x10, setup.bar0);
    Put32(config, 0x14, setup.bar1);
  }

  qorio_backend Backend(uint32_t mapReplySize = 4) {
    return {this, mapReplySize, &ConfigRead, &ConfigWrite, &Map, &Unmap, &Read, &Write};
  }

  // The configuration byte as the world holds it now.
  uint8_t Config(uint8_t bus, uint8_t device, uint8_t function, uint8_t offset) {
    return functions_.at(QORIO_CONFIG_ADDRESS(bus, device, function, 0))[offset];
  }

  // Calls of one kind, in order.
  std::vector<BackendCall> CallsOf(BackendCall::Kind kind) const {
    std::vector<BackendCall> found;
    for (const BackendCall& call : calls) {
      if (call.kind == kind) found.push_back(call);
    }
    return found;
  }

  std::size_t LiveMappings() const { return pages_.size(); }

  // The low 32 bits of every live mapping's address.
  std::vector<uint32_t> MappedAddresses() const {
    std::vector<uint32_t> addresses;
    for (const auto& [mapping, page] : pages_) {
      addresses.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mapping)));
    }
    return addresses;
  }

  std::vector<BackendCall> calls;
  bool mapFails = false;

 private:
  static void Put32(std::array<uint8_t, 256>& config, std::size_t offset, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) config[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  static RecordingBackend& Self(void* context) { return *static_cast<RecordingBackend*>(context); }

  static uint32_t ConfigRead(void* context, uint32_t address, uint32_t lane, uint32_t width) {
    RecordingBackend& self = Self(context);
    self.calls.push_back({BackendCall::kConfigRead, address, lane, width, 0});
    const auto found = self.functions_.find(address & ~0xFFu);
    uint32_t value = 0;
    for (uint32_t i = 0; i < width; ++i) {
      const uint32_t byte =
          found != self.functions_.end() ? found->second[(address & 0xFC) + lane + i] : 0xFF;
      value |= byte << (8 * i);
    }
    return value;
  }
  static void ConfigWrite(void* context, uint32_t address, uint32_t lane, uint32_t width, uint32_t value) {
    RecordingBackend& self = Self(context);
    self.calls.push_back({BackendCall::kConfigWrite, address, lane, width, value});
    const auto found = self.functions_.find(address & ~0xFFu);
    if (found == self.functions_.end()) return;
    for (uint32_t i = 0; i < width; ++i) {
      found->second[(address & 0xFC) + lane + i] = static_cast<uint8_t>(value >> (8 * i));
    }
  }
  static void* Map(void* context, uint32_t physical) {
    RecordingBackend& self = Self(context);
    self.calls.push_back({BackendCall::kMap, physical, 0, 0, 0});
    if (self.mapFails) return nullptr;
    auto page = std::make_unique<Page>();
    page->fill(0);
    void* mapping = page.get();
    self.pages_[mapping] = std::move(page);
    return mapping;
  }
  static void Unmap(void* context, void* window) {
    RecordingBackend& self = Self(context);
    self.calls.push_back({BackendCall::kUnmap, 0, 0, 0, 0});
    self.pages_.erase(window);
  }
  static uint32_t Read(void* context, void* window, uint32_t offset, uint32_t count) {
    RecordingBackend& self = Self(context);
    self.calls.push_back({BackendCall::kRead, offset, 0, count, 0});
    const Page& page = *self.pages_.at(window);
    uint32_t value = 0;
    for (uint32_t i = 0; i < count; ++i) value |= uint32_t{page.at(offset + i)} << (8 * i);
    return value;
  }
  static void Write(void* context, void* window, uint32_t offset, uint32_t count, uint32_t value) {
    RecordingBackend& self = Self(context);
    self.calls.push_back({BackendCall::kWrite, offset, 0, count, value});
    Page& page = *self.pages_.at(window);
    for (uint32_t i = 0; i < count; ++i) page.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
  }

  std::map<uint32_t, std::array<uint8_t, 256>> functions_;
  std::map<void*, std::unique_ptr<Page>> pages_;
};

}  // namespace tamsel::qorio_test
