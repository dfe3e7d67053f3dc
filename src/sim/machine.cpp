#include "sim/machine.h"

#include <algorithm>
#include <optional>

#include "platform/qorio_requests.h"

namespace tamsel::sim {

namespace {

constexpr uint32_t kDefaultBarBase = 0xF0000000u;
constexpr uint32_t kDefaultBarStride = 0x100000u;
constexpr uint32_t kWindowInBar = 0x1000;
constexpr uint32_t kSataAhciClass = 0x010601;

PciFunctionSetup ControllerSetup(const ControllerDescription& c, std::size_t index) {
  PciFunctionSetup setup;
  setup.vendorId = c.vendorId;
  setup.deviceId = c.deviceId;
  setup.multifunction = c.multifunction;
  setup.classCode = kSataAhciClass;
  setup.bar0 = c.bar0.value_or(kDefaultBarBase + static_cast<uint32_t>(index) * kDefaultBarStride);
  setup.capabilities = true;
  setup.powerManagement = c.powerManagement;
  setup.powerState = c.powerState;
  setup.versionRegisters = c.fwVersion.value_or(std::array<uint8_t, 8>{});
  return setup;
}

PciFunctionSetup DeviceSetup(const DeviceDescription& d) {
  PciFunctionSetup setup;
  setup.vendorId = d.vendorId;
  setup.deviceId = d.deviceId;
  setup.multifunction = d.multifunction;
  return setup;
}

}  // namespace

Machine::Machine(MachineDescription description, std::vector<std::unique_ptr<FlashStorage>> storages,
                 const ChipFactory& makeChip)
    : description_(std::move(description)) {
  functionIndex_.fill(-1);
  functions_.reserve(description_.controllers.size() + description_.devices.size());
  for (std::size_t i = 0; i < description_.controllers.size() && i < storages.size(); ++i) {
    const ControllerDescription& c = description_.controllers[i];
    functionIndex_[c.location.Key()] = static_cast<int16_t>(functions_.size());
    Controller controller;
    controller.function = functions_.size();
    functions_.emplace_back(ControllerSetup(c, i));
    controller.storage = std::move(storages[i]);
    controller.chip = makeChip(c.flash, controller.storage->Bytes(), clock_);
    controller.window = std::make_unique<ControllerWindow>(*controller.chip, clock_,
                                                           WindowFaults{c.grantNever, c.grantPolls, c.busy},
                                                           description_.latency.spiByteNs);
    controller.d3After = c.d3After;
    controller.vanishAfter = c.vanishAfter;
    controller.stallAfter = c.stallAfter;
    controller.stallMs = c.stallMs;
    controllers_.push_back(std::move(controller));
  }
  for (const DeviceDescription& d : description_.devices) {
    functionIndex_[d.location.Key()] = static_cast<int16_t>(functions_.size());
    functions_.emplace_back(DeviceSetup(d));
  }
}

Machine::~Machine() = default;

PciFunction& Machine::ControllerFunction(std::size_t controller) {
  return functions_[controllers_[controller].function];
}

PciFunction* Machine::FunctionAt(PciLocation location) {
  const int16_t index = functionIndex_[location.Key()];
  return index < 0 ? nullptr : &functions_[static_cast<std::size_t>(index)];
}

std::size_t Machine::OpenMappings() const {
  return static_cast<std::size_t>(
      std::count_if(mappings_.begin(), mappings_.end(), [](const Mapping& m) { return m.inUse; }));
}

DeviceIoReply Machine::DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                       std::span<uint8_t> output) {
  ++requestCount_;
  const DeviceIoReply reply = qorio::DispatchRequest(*this, code, input, output);
  if (log_ != nullptr) Record(code, input, output, reply);
  return reply;
}

DeviceIoReply Machine::SetDebugLevel(std::span<const uint8_t> input) {
  clock_.Advance(description_.latency.mapNs);
  return qorio::AcceptDebugLevel(input);
}

PciFunction* Machine::AddressedFunction() {
  const std::optional<uint16_t> key = qorio::ConfigFunctionKey(configAddress_);
  if (!key) return nullptr;
  const int16_t index = functionIndex_[*key];
  return index < 0 ? nullptr : &functions_[static_cast<std::size_t>(index)];
}

DeviceIoReply Machine::GetPort(std::span<const uint8_t> input, std::span<uint8_t> output) {
  qorio::PortRecord record;
  if (!qorio::Decode(input, record) || output.size() < 4) return {};
  clock_.Advance(description_.latency.portAccessNs);
  uint32_t value = 0xFFFFFFFFu;  // an undecoded port floats high
  if (record.port == qorio::kConfigAddressPort && record.width == 4) {
    value = configAddress_;
  } else if (record.port >= qorio::kConfigDataPort && record.port <= qorio::kConfigDataPort + 3u) {
    const PciFunction* function = AddressedFunction();
    const uint32_t lane = record.port & 3;
    const uint32_t width = std::min<uint32_t>(record.width, 4 - lane);
    for (uint32_t i = 0; i < width && function != nullptr; ++i) {
      const auto offset = static_cast<uint8_t>((configAddress_ & 0xFC) + lane + i);
      value = (value & ~(0xFFu << (8 * i))) | uint32_t{function->ReadConfig(offset)} << (8 * i);
    }
  }
  qorio::StoreLe32(output.data(), value);
  return {true, 4};
}

DeviceIoReply Machine::SetPort(std::span<const uint8_t> input) {
  qorio::PortRecord record;
  if (!qorio::Decode(input, record)) return {};
  clock_.Advance(description_.latency.portAccessNs);
  if (record.port == qorio::kConfigAddressPort && record.width == 4) {
    configAddress_ = qorio::LatchedConfigAddress(record.value);
  } else if (record.port >= qorio::kConfigDataPort && record.port <= qorio::kConfigDataPort + 3u) {
    PciFunction* function = AddressedFunction();
    const uint32_t lane = record.port & 3;
    const uint32_t width = std::min<uint32_t>(record.width, 4 - lane);
    for (uint32_t i = 0; i < width && function != nullptr; ++i) {
      const auto offset = static_cast<uint8_t>((configAddress_ & 0xFC) + lane + i);
      function->WriteConfig(offset, static_cast<uint8_t>(record.value >> (8 * i)));
    }
  }
  return {true, 0};
}

DeviceIoReply Machine::Map(std::span<const uint8_t> input, std::span<uint8_t> output) {
  qorio::MemRecord record;
  const uint32_t replySize = description_.system64Bit ? 8 : 4;
  if (!qorio::Decode(input, record) || record.length != qorio::kWindowLength || output.size() < replySize)
    return {};
  clock_.Advance(description_.latency.mapNs);
  for (std::size_t c = 0; c < controllers_.size(); ++c) {
    const PciFunction& function = functions_[controllers_[c].function];
    const uint64_t base = function.Bar0Base();
    const uint64_t end = base + function.Bar0Size();
    if (base == 0 || record.address < base || uint64_t{record.address} + record.length > end) continue;
    for (std::size_t slot = 0; slot < kMaxMappings; ++slot) {
      if (mappings_[slot].inUse) continue;
      mappings_[slot] = {true, c, static_cast<uint32_t>(record.address - base)};
      std::fill(output.begin(), output.begin() + replySize, uint8_t{0});
      qorio::StoreLe32(output.data(), kMappingTokenBase + static_cast<uint32_t>(slot) * qorio::kWindowLength);
      return {true, replySize};
    }
    return {};  // every mapping slot in use
  }
  return {};
}

DeviceIoReply Machine::Unmap(std::span<const uint8_t> input) {
  qorio::MemRecord record;
  if (!qorio::Decode(input, record)) return {};
  clock_.Advance(description_.latency.mapNs);
  uint32_t barOffset = 0;
  Mapping* mapping = Resolve(record.address, 1, barOffset);
  if (mapping == nullptr || (record.address - kMappingTokenBase) % qorio::kWindowLength != 0) return {};
  mapping->inUse = false;
  return {true, 0};
}

Machine::Mapping* Machine::Resolve(uint32_t address, uint32_t count, uint32_t& barOffset) {
  if (address < kMappingTokenBase) return nullptr;
  const uint32_t relative = address - kMappingTokenBase;
  const uint32_t slot = relative / qorio::kWindowLength;
  const uint32_t offset = relative % qorio::kWindowLength;
  if (slot >= kMaxMappings || !mappings_[slot].inUse || offset + count > qorio::kWindowLength) return nullptr;
  barOffset = mappings_[slot].barOffset + offset;
  return &mappings_[slot];
}

void Machine::CountAccess(Controller& controller) {
  ++controller.accesses;
  if (controller.d3After != 0 && controller.accesses == controller.d3After) {
    functions_[controller.function].DropToD3();
  }
  if (controller.vanishAfter != 0 && controller.accesses == controller.vanishAfter) {
    functions_[controller.function].StopAnswering();
  }
  if (controller.stallAfter != 0 && controller.accesses == controller.stallAfter) {
    controller.window->Stall(uint64_t{controller.stallMs} * 1'000'000u);
  }
}

uint8_t Machine::ReadBar(Controller& controller, uint32_t barOffset) {
  if (barOffset >= kWindowInBar && barOffset < kWindowInBar + kWindowSize) {
    return controller.window->Read(barOffset - kWindowInBar);
  }
  return 0;
}

void Machine::WriteBar(Controller& controller, uint32_t barOffset, uint8_t value) {
  if (barOffset >= kWindowInBar && barOffset < kWindowInBar + kWindowSize) {
    controller.window->Write(barOffset - kWindowInBar, value);
  }
}

DeviceIoReply Machine::ReadMemory(std::span<const uint8_t> input, std::span<uint8_t> output) {
  qorio::MemRecord record;
  if (!qorio::Decode(input, record) || record.length < 1 || record.length > 4 ||
      output.size() < record.length) {
    return {};
  }
  uint32_t barOffset = 0;
  Mapping* mapping = Resolve(record.address, record.length, barOffset);
  if (mapping == nullptr) return {};
  clock_.Advance(description_.latency.memoryReadNs);
  Controller& controller = controllers_[mapping->controller];
  const bool decodes = functions_[controller.function].DecodesMemory();
  for (uint32_t i = 0; i < record.length; ++i) {
    output[i] = decodes ? ReadBar(controller, barOffset + i) : 0xFF;  // master abort reads all ones
  }
  ++controller.counts.reads;
  CountAccess(controller);
  return {true, record.length};
}

DeviceIoReply Machine::WriteMemory(std::span<const uint8_t> input) {
  qorio::MemRecord record;
  if (!qorio::Decode(input, record) || record.length < 1 || record.length > 4) return {};
  uint32_t barOffset = 0;
  Mapping* mapping = Resolve(record.address, record.length, barOffset);
  if (mapping == nullptr) return {};
  clock_.Advance(description_.latency.memoryWriteNs);
  Controller& controller = controllers_[mapping->controller];
  if (functions_[controller.function].DecodesMemory()) {
    for (uint32_t i = 0; i < record.length; ++i) {
      WriteBar(controller, barOffset + i, static_cast<uint8_t>(record.value >> (8 * i)));
    }
  }
  ++controller.counts.writes;
  CountAccess(controller);
  return {true, record.length};
}

void Machine::Record(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output,
                     DeviceIoReply reply) {
  RecordedRequest request;
  request.code = code;
  request.input.assign(input.begin(), input.end());
  request.outputSize = static_cast<uint32_t>(output.size());
  request.succeeded = reply.succeeded;
  request.bytesReturned = reply.bytesReturned;
  const std::size_t written = std::min<std::size_t>(reply.bytesReturned, output.size());
  request.output.assign(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(written));
  log_->push_back(std::move(request));
}

}  // namespace tamsel::sim
