#pragma once
// The simulated machine: its PCI functions behind configuration mechanism 1,
// the controllers' register windows with their flash chips, the mappings the
// driver hands out, and the virtual clock that every request advances by the
// latency model. It is the simulator's device end: it answers the I/O
// driver's requests exactly as the real driver and hardware would. No OS
// calls, no exceptions and no allocation on the request path.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/device_io_end.h"
#include "platform/qorio_dispatch.h"
#include "sim/controller_window.h"
#include "sim/flash_storage.h"
#include "sim/machine_description.h"
#include "sim/pci_function.h"
#include "sim/spi_bus_device.h"
#include "sim/virtual_clock.h"

namespace tamsel::sim {

// One driver request as the device end saw it (kept only while a log is set).
struct RecordedRequest {
  uint32_t code = 0;
  std::vector<uint8_t> input;
  uint32_t outputSize = 0;
  bool succeeded = false;
  uint32_t bytesReturned = 0;
  std::vector<uint8_t> output;  // the first bytesReturned bytes written
};

struct RegisterAccessCounts {
  uint64_t reads = 0;   // register read requests that reached the window
  uint64_t writes = 0;  // register write requests that reached the window
};

// Makes the chip on a controller's SPI bus over its flash bytes: normally the
// SPI NOR model (MakeSpiNorChip); tests may put a stand-in there.
using ChipFactory = std::function<std::unique_ptr<SpiBusDevice>(const FlashChipDescription&,
                                                                std::span<uint8_t>, const VirtualClock&)>;

class Machine final : public DeviceIoEnd {
 public:
  // `storages` holds one entry per controller of `description`, in the same order.
  // Controllers without fw_version report zeros (the loader fills it first).
  Machine(MachineDescription description, std::vector<std::unique_ptr<FlashStorage>> storages,
          const ChipFactory& makeChip);
  ~Machine() override;
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  DeviceIoReply DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                std::span<uint8_t> output) override;

  VirtualClock& Clock() { return clock_; }
  const MachineDescription& Description() const { return description_; }
  bool System64Bit() const { return description_.system64Bit; }

  std::size_t ControllerCount() const { return controllers_.size(); }
  std::span<uint8_t> FlashBytes(std::size_t controller) { return controllers_[controller].storage->Bytes(); }
  SpiBusDevice& FlashChip(std::size_t controller) { return *controllers_[controller].chip; }
  ControllerWindow& Window(std::size_t controller) { return *controllers_[controller].window; }
  PciFunction& ControllerFunction(std::size_t controller);
  const RegisterAccessCounts& AccessCounts(std::size_t controller) const {
    return controllers_[controller].counts;
  }
  // The function at a location, or nullptr when none is there.
  PciFunction* FunctionAt(PciLocation location);

  uint64_t RequestCount() const { return requestCount_; }
  std::size_t OpenMappings() const;
  // Every request is appended to `log` while it is set; nullptr stops logging.
  void SetRequestLog(std::vector<RecordedRequest>* log) { log_ = log; }

 private:
  struct Controller {
    std::size_t function = 0;
    std::unique_ptr<FlashStorage> storage;
    std::unique_ptr<SpiBusDevice> chip;
    std::unique_ptr<ControllerWindow> window;
    RegisterAccessCounts counts;
    uint32_t d3After = 0;
    uint32_t vanishAfter = 0;
    uint32_t stallAfter = 0;
    uint32_t stallMs = 0;
    uint64_t accesses = 0;
  };
  struct Mapping {
    bool inUse = false;
    std::size_t controller = 0;
    uint32_t barOffset = 0;  // of the mapped window's first byte within BAR0
  };
  static constexpr std::size_t kMaxMappings = 64;
  static constexpr uint32_t kMappingTokenBase = 0xF8A00000u;

  template <typename Handlers>
  friend DeviceIoReply qorio::DispatchRequest(Handlers&, uint32_t, std::span<const uint8_t>,
                                              std::span<uint8_t>);

  DeviceIoReply SetDebugLevel(std::span<const uint8_t> input);
  DeviceIoReply GetPort(std::span<const uint8_t> input, std::span<uint8_t> output);
  DeviceIoReply SetPort(std::span<const uint8_t> input);
  DeviceIoReply Map(std::span<const uint8_t> input, std::span<uint8_t> output);
  DeviceIoReply Unmap(std::span<const uint8_t> input);
  DeviceIoReply ReadMemory(std::span<const uint8_t> input, std::span<uint8_t> output);
  DeviceIoReply WriteMemory(std::span<const uint8_t> input);

  PciFunction* AddressedFunction();
  // The mapping slot holding [address, address + count), or nullptr.
  Mapping* Resolve(uint32_t address, uint32_t count, uint32_t& barOffset);
  uint8_t ReadBar(Controller& controller, uint32_t barOffset);
  void WriteBar(Controller& controller, uint32_t barOffset, uint8_t value);
  void CountAccess(Controller& controller);
  void Record(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output, DeviceIoReply reply);

  MachineDescription description_;
  VirtualClock clock_;
  std::vector<PciFunction> functions_;
  std::array<int16_t, 65536> functionIndex_{};
  std::vector<Controller> controllers_;
  std::array<Mapping, kMaxMappings> mappings_{};
  uint32_t configAddress_ = 0;
  uint64_t requestCount_ = 0;
  std::vector<RecordedRequest>* log_ = nullptr;
};

}  // namespace tamsel::sim
