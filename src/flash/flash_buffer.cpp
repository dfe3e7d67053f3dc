#include "flash/flash_buffer.h"

#include <new>

namespace tamsel {

FlashBuffer AllocateFlashBuffer(uint32_t size) {
  // Zero-filled, so bytes a failed transfer never delivered read as 0 (not
  // blank, not the image) instead of whatever the memory held. One byte at
  // least, so a zero-length range still has a buffer.
  return FlashBuffer(new (std::nothrow) uint8_t[size == 0 ? 1 : size]());
}

}  // namespace tamsel
