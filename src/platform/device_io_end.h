#pragma once
// The driver's device end, shaped like DeviceIoControl: a request code, the
// input bytes and an output buffer go in; whether the call succeeded and how
// many bytes it returned come back. Implementations answer on the caller's
// thread and never throw.

#include <cstdint>
#include <span>

namespace tamsel {

struct DeviceIoReply {
  bool succeeded = false;
  uint32_t bytesReturned = 0;
};

class DeviceIoEnd {
 public:
  virtual ~DeviceIoEnd() = default;
  virtual DeviceIoReply DeviceIoControl(uint32_t code, std::span<const uint8_t> input,
                                        std::span<uint8_t> output) = 0;
};

}  // namespace tamsel
