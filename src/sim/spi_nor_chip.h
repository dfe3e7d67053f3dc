#pragma once
// The simulated SPI NOR flash chip behind a controller window. Its storage is
// a byte span owned by the machine (a shared mapping of the content file, so
// every change persists however the program ends).
//
// The chip knows its part from the chip table by JEDEC ID (or, for a chip
// that does not answer 0x9F, by its 0xAB signature) and honours exactly the
// opcodes of that part's opcode set, plus 0x9F and 0xAB. Program, erase and
// status writes take effect when the chip select is released; while the
// chip is busy (measured on the virtual clock) only the status reads answer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "hw/spi_flash_record.h"
#include "sim/flash_chip_description.h"
#include "sim/spi_bus_device.h"
#include "sim/virtual_clock.h"

namespace tamsel::sim {

// The chip size in bytes the description describes (size_kib, else the chip table's, else 512 KiB),
// at most 16 MiB (what 24-bit addresses reach).
uint32_t FlashChipSizeBytes(const FlashChipDescription& description);

// storage.size() must equal FlashChipSizeBytes(description).
std::unique_ptr<SpiBusDevice> MakeSpiNorChip(const FlashChipDescription& description,
                                             std::span<uint8_t> storage, const VirtualClock& clock);

// One command as the chip saw it between chip-select and release.
struct SpiCommandRecord {
  uint8_t opcode = 0;
  uint32_t address = 0;     // the 24-bit address, for commands that carry one
  uint32_t dataLength = 0;  // bytes after opcode and address (sent or clocked out)
  bool accepted = false;    // the chip acted on it (false: unknown, busy, no WEL, protected)
};

// Datasheet-like busy times.
inline constexpr uint64_t kPageProgramNs = 800'000;
inline constexpr uint64_t kByteProgramNs = 10'000;
inline constexpr uint64_t kSectorEraseNs = 60'000'000;
inline constexpr uint64_t kChipEraseNsPer512KiB = 1'000'000'000;
inline constexpr uint64_t kStatusWriteNs = 5'000'000;

// Status register bits.
inline constexpr uint8_t kStatusWip = 0x01;
inline constexpr uint8_t kStatusWel = 0x02;
inline constexpr uint8_t kStatusBlockProtect = 0x1C;  // BP0..BP2

inline constexpr std::size_t kDefaultCommandLogCapacity = 4096;

class SpiNorChip final : public SpiBusDevice {
 public:
  SpiNorChip(const FlashChipDescription& description, std::span<uint8_t> storage, const VirtualClock& clock);

  void SetChipSelect(bool selected) override;
  uint8_t Exchange(uint8_t mosi) override;

  // The part the chip behaves as (its table row, or the unknown defaults).
  const SpiFlashDesc& part() const { return part_; }
  uint8_t status() const;

  // The first commands since the last ClearCommands, up to the log capacity
  // (reserved up front, so logging never allocates on the bus); later ones
  // are counted in droppedCommands() only. The counts per opcode are always
  // complete.
  const std::vector<SpiCommandRecord>& commands() const { return log_; }
  uint64_t droppedCommands() const { return dropped_; }
  uint64_t CommandCount(uint8_t opcode) const { return opcodeCounts_[opcode]; }
  uint64_t TotalCommands() const { return total_; }
  void ClearCommands();
  void SetCommandLogCapacity(std::size_t capacity);
  std::span<const uint8_t> storage() const { return storage_; }

 private:
  enum class Kind : uint8_t {
    kNone,
    kJedecId,
    kSignature,
    kReadStatus,
    kReadStatus2,
    kRead,
    kFastRead,
    kWriteEnable,
    kWriteDisable,
    kEnableWriteStatus,
    kWriteStatus,
    kChipErase,
    kSectorErase,
    kPageProgram,
    kAutoIncrementProgram,
  };

  Kind Classify(uint8_t opcode) const;
  bool Busy() const { return clock_.NowNs() < busyUntilNs_; }
  bool CarriesAddress() const;
  uint32_t AddressBytes() const;
  uint8_t ReadByteAt(uint32_t address) const { return storage_[address % storage_.size()]; }
  uint8_t Answer(uint8_t mosi);
  void Finish();
  bool MayWrite() const;
  bool Apply();  // true when the chip acted on the command
  bool ApplyWriteStatus();
  bool ApplyErase(uint32_t first, uint32_t length, uint64_t busyNs);
  bool ApplyProgram();
  bool ApplyAutoIncrement();
  void Log(const SpiCommandRecord& record);

  FlashChipDescription description_;
  std::span<uint8_t> storage_;
  const VirtualClock& clock_;
  SpiFlashDesc part_;

  uint8_t status1_ = 0;
  uint8_t status2_ = 0;
  bool ewsrLatched_ = false;
  uint64_t busyUntilNs_ = 0;
  bool autoIncrement_ = false;
  uint32_t autoIncrementAddress_ = 0;

  // The command in progress.
  bool selected_ = false;
  Kind kind_ = Kind::kNone;
  uint8_t opcode_ = 0;
  uint32_t clocked_ = 0;  // bytes clocked since select
  uint32_t address_ = 0;
  std::vector<uint8_t> latch_;  // page latch (program) or status bytes (WRSR)
  uint32_t latched_ = 0;

  std::vector<SpiCommandRecord> log_;
  std::size_t logCapacity_ = kDefaultCommandLogCapacity;
  uint64_t dropped_ = 0;
  uint64_t total_ = 0;
  std::array<uint64_t, 256> opcodeCounts_{};
};

}  // namespace tamsel::sim
