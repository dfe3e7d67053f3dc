#pragma once
// Routes one driver request to the handler of its code. Every device end
// (the simulator, the Linux in-process driver) answers the same requests, so
// the routing is written once; the handlers are the device end's own and the
// call is resolved at compile time, keeping the request path free of extra
// indirection.

#include <cstdint>
#include <span>

#include "platform/device_io_end.h"
#include "platform/qorio_requests.h"

namespace tamsel::qorio {

// The debug-level request carries the level in 4 bytes and reports 4 back.
inline DeviceIoReply AcceptDebugLevel(std::span<const uint8_t> input) {
  const bool complete = input.size() >= 4;
  return {complete, complete ? 4u : 0u};
}

// Handlers provides GetPort, SetPort, Map, Unmap, ReadMemory, WriteMemory
// and SetDebugLevel; unknown codes fail.
template <typename Handlers>
DeviceIoReply DispatchRequest(Handlers& handlers, uint32_t code, std::span<const uint8_t> input,
                              std::span<uint8_t> output) {
  switch (code) {
    case kIoctlGetPort:
      return handlers.GetPort(input, output);
    case kIoctlSetPort:
      return handlers.SetPort(input);
    case kIoctlReadMem:
      return handlers.ReadMemory(input, output);
    case kIoctlWriteMem:
      return handlers.WriteMemory(input);
    case kIoctlMap:
      return handlers.Map(input, output);
    case kIoctlUnmap:
      return handlers.Unmap(input);
    case kIoctlSetDebugLevel:
      return handlers.SetDebugLevel(input);
    default:
      return {};
  }
}

}  // namespace tamsel::qorio
