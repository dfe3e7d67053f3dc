#pragma once
// The engine's verify and blank-check buffers. Allocation may fail (the engine
// then falls back to byte-by-byte reads); the allocator is injectable so
// those fallbacks can be exercised.

#include <cstdint>
#include <functional>
#include <memory>

namespace tamsel {

using FlashBuffer = std::unique_ptr<uint8_t[]>;

// Returns a buffer of the given size, or nullptr when none can be had.
using FlashBufferAllocator = std::function<FlashBuffer(uint32_t size)>;

// new (std::nothrow): nullptr when memory is short.
FlashBuffer AllocateFlashBuffer(uint32_t size);

// A buffer from `allocate`, or from AllocateFlashBuffer when it is empty.
inline FlashBuffer AllocateWith(const FlashBufferAllocator& allocate, uint32_t size) {
  return allocate ? allocate(size) : AllocateFlashBuffer(size);
}

}  // namespace tamsel
