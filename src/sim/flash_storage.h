#pragma once
// The bytes behind a simulated flash chip, owned by the machine. The loader
// backs them with a shared mapping of the content file; tests may use memory.

#include <cstdint>
#include <span>
#include <vector>

namespace tamsel::sim {

class FlashStorage {
 public:
  virtual ~FlashStorage() = default;
  virtual std::span<uint8_t> Bytes() = 0;
};

// Storage in memory, for tests and benchmarks that need no file.
class MemoryFlashStorage final : public FlashStorage {
 public:
  explicit MemoryFlashStorage(std::size_t size, uint8_t fill = 0xFF) : bytes_(size, fill) {}
  std::span<uint8_t> Bytes() override { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace tamsel::sim
