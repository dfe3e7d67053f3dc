// Feeds arbitrary text to the machine file reader. A description it accepts
// must keep its promises (plain content names, latencies that let time pass,
// distinct locations), and a machine built from it (flash held in memory)
// must answer a scan of its functions and a JEDEC ID read on each controller.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/qorio_requests.h"
#include "sim/flash_storage.h"
#include "sim/machine.h"
#include "sim/machine_description.h"
#include "sim/spi_nor_chip.h"

namespace {

using namespace tamsel;
using namespace tamsel::sim;

constexpr uint64_t kMaxFlashBytes = uint64_t{8} << 20;  // built only when the chips fit in memory

void Check(bool promise) {
  if (!promise) __builtin_trap();
}

void CheckPromises(const MachineDescription& description) {
  std::set<uint16_t> locations;
  for (const ControllerDescription& c : description.controllers) {
    const std::string& name = c.flash.content;
    Check(!name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos);
    Check(name != "machine.json");
    Check(locations.insert(c.location.Key()).second);
  }
  for (const DeviceDescription& d : description.devices) Check(locations.insert(d.location.Key()).second);
  Check(description.latency.portAccessNs >= 100 && description.latency.memoryReadNs >= 100);
}

uint32_t Port(Machine& machine, uint32_t code, uint32_t port, uint32_t width, uint32_t value) {
  const auto input = qorio::Encode(qorio::PortRecord{port, width, value});
  std::array<uint8_t, 4> output{};
  machine.DeviceIoControl(code, input,
                          code == qorio::kIoctlGetPort ? std::span(output) : std::span<uint8_t>());
  return qorio::LoadLe32(output.data());
}

uint32_t ConfigDword(Machine& machine, PciLocation at, uint8_t offset) {
  Port(machine, qorio::kIoctlSetPort, qorio::kConfigAddressPort, 4,
       qorio::ConfigAddress(at.bus, at.device, at.function, offset));
  return Port(machine, qorio::kIoctlGetPort, qorio::kConfigDataPort, 4, 0);
}

void Mem(Machine& machine, uint32_t code, uint32_t address, uint32_t length, uint32_t value) {
  const auto input = qorio::Encode(qorio::MemRecord{address, length, value});
  std::array<uint8_t, 8> output{};
  machine.DeviceIoControl(code, input, output);
}

// The requests of a JEDEC ID read through the controller's window.
void ReadJedecId(Machine& machine, PciLocation at) {
  const uint32_t bar = ConfigDword(machine, at, 0x10) & 0xFFFFFFF1u;
  const auto input = qorio::Encode(qorio::MemRecord{bar + 0x1000, qorio::kWindowLength, 0});
  std::array<uint8_t, 8> output{};
  if (!machine.DeviceIoControl(qorio::kIoctlMap, input, output).succeeded) return;
  const uint32_t window = qorio::LoadLe32(output.data());
  Mem(machine, qorio::kIoctlWriteMem, window + 0xB06, 1, 0x01);  // grant request
  Mem(machine, qorio::kIoctlWriteMem, window + 0xB04, 1, 0x00);  // select
  Mem(machine, qorio::kIoctlWriteMem, window + 0xB00, 4, 0x9F);
  Mem(machine, qorio::kIoctlWriteMem, window + 0xB04, 1, 0x29);
  Mem(machine, qorio::kIoctlReadMem, window + 0xB04, 1, 0);
  Mem(machine, qorio::kIoctlWriteMem, window + 0xB04, 1, 0x23);
  Mem(machine, qorio::kIoctlReadMem, window + 0xB00, 4, 0);
  Mem(machine, qorio::kIoctlWriteMem, window + 0xB04, 1, 0x10);  // release
  Mem(machine, qorio::kIoctlUnmap, window, qorio::kWindowLength, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  MachineDescription description;
  std::string fault;
  if (!ParseMachineDescription(text, description, fault)) {
    Check(!fault.empty() && fault.find('\n') == std::string::npos);
    return 0;
  }
  CheckPromises(description);

  uint64_t flashBytes = 0;
  for (const ControllerDescription& c : description.controllers) flashBytes += FlashChipSizeBytes(c.flash);
  if (flashBytes > kMaxFlashBytes) return 0;
  std::vector<std::unique_ptr<FlashStorage>> storages;
  for (const ControllerDescription& c : description.controllers) {
    storages.push_back(std::make_unique<MemoryFlashStorage>(FlashChipSizeBytes(c.flash)));
  }
  std::vector<PciLocation> controllers;
  std::vector<PciLocation> devices;
  for (const ControllerDescription& c : description.controllers) controllers.push_back(c.location);
  for (const DeviceDescription& d : description.devices) devices.push_back(d.location);
  Machine machine(std::move(description), std::move(storages), MakeSpiNorChip);
  for (const PciLocation& at : devices) ConfigDword(machine, at, 0);
  for (const PciLocation& at : controllers) {
    ConfigDword(machine, at, 0);
    ReadJedecId(machine, at);
  }
  Check(machine.OpenMappings() == 0);
  return 0;
}
