#include "sim/spi_nor_chip.h"

#include <algorithm>

#include "flash/spi_flash_chip_table.h"
#include "flash/spi_opcode_sets.h"

namespace tamsel::sim {
namespace {

constexpr uint32_t kSectorBytes = 4096;
constexpr uint32_t kAddressMask = 0xFFFFFF;
constexpr uint32_t kMaxSizeKiB = 16 * 1024;
constexpr uint8_t kWritableStatusBits = 0xFC;  // everything but WIP and WEL
constexpr std::array<uint8_t, 3> kNoAnswer{0xFF, 0xFF, 0xFF};
constexpr std::array<uint8_t, 3> kAllZero{0x00, 0x00, 0x00};

// The part a description describes: its JEDEC row, else (for a chip that does not
// answer 0x9F) its signature row, else the unknown defaults.
SpiFlashDesc PartOf(const FlashChipDescription& description) {
  const auto& id = description.jedec;
  if (const SpiFlashDesc* row = FindSpiFlashChip(id[0], id[1], id[2])) {
    return *row;
  }
  if ((id == kNoAnswer || id == kAllZero) && description.signature) {
    const auto& sig = *description.signature;
    if (const SpiFlashDesc* row = FindSpiFlashChip(sig[0], sig[1], sig[2])) {
      return *row;
    }
  }
  return UnknownSpiFlashDesc(id[0], id[1], id[2]);
}

}  // namespace

uint32_t FlashChipSizeBytes(const FlashChipDescription& description) {
  if (description.sizeKiB && *description.sizeKiB != 0) {
    // 24-bit addresses reach 16 MiB; a larger size could never be addressed.
    return std::min<uint32_t>(*description.sizeKiB, kMaxSizeKiB) * 1024u;
  }
  return SpiFlashSizeBytes(PartOf(description));
}

std::unique_ptr<SpiBusDevice> MakeSpiNorChip(const FlashChipDescription& description,
                                             std::span<uint8_t> storage, const VirtualClock& clock) {
  return std::make_unique<SpiNorChip>(description, storage, clock);
}

SpiNorChip::SpiNorChip(const FlashChipDescription& description, std::span<uint8_t> storage,
                       const VirtualClock& clock)
    : description_(description), storage_(storage), clock_(clock), part_(PartOf(description)) {
  std::sort(description_.stuckAddresses.begin(), description_.stuckAddresses.end());
  if (description_.protectedAtPowerOn) {
    status1_ = kStatusBlockProtect;
  }
  latch_.assign(std::max<uint16_t>(part_.pageSize, 2), 0xFF);
  log_.reserve(logCapacity_);
}

void SpiNorChip::SetCommandLogCapacity(std::size_t capacity) {
  logCapacity_ = capacity;
  log_.reserve(capacity);
}

uint8_t SpiNorChip::status() const {
  return static_cast<uint8_t>(status1_ | (Busy() ? kStatusWip : 0));
}

void SpiNorChip::ClearCommands() {
  log_.clear();
  dropped_ = 0;
  total_ = 0;
  opcodeCounts_.fill(0);
}

SpiNorChip::Kind SpiNorChip::Classify(uint8_t opcode) const {
  const SpiOpcodeSet& set = SpiOpcodeSetOf(part_.opcodeSet);
  // Opcode 0 in a column means the part has no such command.
  auto is = [opcode](uint8_t column) { return column != 0 && column == opcode; };
  if (is(set.rdsr)) return Kind::kReadStatus;
  if (is(set.rdsr2)) return Kind::kReadStatus2;
  if (Busy()) return Kind::kNone;  // only the status reads answer while busy
  // In auto-address-increment mode only further AAI bytes and WRDI count.
  if (autoIncrement_ && !is(set.aai) && !is(set.wrdi)) return Kind::kNone;
  if (opcode == 0x9F) return Kind::kJedecId;
  if (opcode == 0xAB) return Kind::kSignature;
  if (is(set.read)) return Kind::kRead;
  if (is(set.fastRead)) return Kind::kFastRead;
  if (is(set.wren)) return Kind::kWriteEnable;
  if (is(set.wrdi)) return Kind::kWriteDisable;
  if (is(set.ewsr)) return Kind::kEnableWriteStatus;
  if (is(set.wrsr)) return Kind::kWriteStatus;
  if (is(set.chipErase)) return Kind::kChipErase;
  if (is(set.sectorErase)) return Kind::kSectorErase;
  if (is(set.pageProgram)) return Kind::kPageProgram;
  if (is(set.aai)) return Kind::kAutoIncrementProgram;
  return Kind::kNone;
}

uint32_t SpiNorChip::AddressBytes() const {
  switch (kind_) {
    case Kind::kRead:
    case Kind::kFastRead:
    case Kind::kSectorErase:
    case Kind::kPageProgram:
      return 3;
    case Kind::kAutoIncrementProgram:
      return autoIncrement_ ? 0 : 3;
    default:
      return 0;
  }
}

bool SpiNorChip::CarriesAddress() const {
  return AddressBytes() != 0;
}

void SpiNorChip::SetChipSelect(bool selected) {
  if (selected == selected_) {
    return;
  }
  if (!selected && clocked_ != 0) {
    Finish();
  }
  selected_ = selected;
  clocked_ = 0;
  kind_ = Kind::kNone;
  address_ = 0;
  latched_ = 0;
}

uint8_t SpiNorChip::Exchange(uint8_t mosi) {
  if (!selected_) {
    return 0xFF;
  }
  if (clocked_ == 0) {
    opcode_ = mosi;
    kind_ = Classify(mosi);
    if (kind_ == Kind::kPageProgram) {
      std::fill(latch_.begin(), latch_.end(), 0xFF);
    }
    clocked_ = 1;
    return 0xFF;
  }
  const uint8_t miso = Answer(mosi);
  if (clocked_ < 0xFFFFFFFFu) {
    ++clocked_;
  }
  return miso;
}

uint8_t SpiNorChip::Answer(uint8_t mosi) {
  const uint32_t index = clocked_ - 1;  // bytes after the opcode
  const uint32_t addressBytes = AddressBytes();
  if (index < addressBytes) {
    address_ = ((address_ << 8) | mosi) & kAddressMask;
    return 0xFF;
  }
  const uint32_t dataIndex = index - addressBytes;
  switch (kind_) {
    case Kind::kJedecId:
      return description_.jedec == kNoAnswer ? 0xFF : description_.jedec[dataIndex % 3];
    case Kind::kSignature:
      // Three dummy bytes, then the signature, repeated.
      if (dataIndex < 3 || !description_.signature) return 0xFF;
      return (*description_.signature)[(dataIndex - 3) % 3];
    case Kind::kReadStatus:
      return status();
    case Kind::kReadStatus2:
      return status2_;
    case Kind::kRead:
      return storage_.empty() ? 0xFF : ReadByteAt(address_ + dataIndex);
    case Kind::kFastRead:
      if (dataIndex == 0 || storage_.empty()) return 0xFF;  // dummy byte
      return ReadByteAt(address_ + dataIndex - 1);
    case Kind::kWriteStatus:
      if (dataIndex < 2) latch_[dataIndex] = mosi;
      latched_ = std::min<uint32_t>(dataIndex + 1, 2);
      return 0xFF;
    case Kind::kPageProgram: {
      // The page latch wraps: bytes past the page end land at its start.
      const uint32_t page = part_.pageSize == 0 ? 1 : part_.pageSize;
      latch_[(address_ % page + dataIndex) % page] = mosi;
      latched_ = std::min<uint32_t>(dataIndex + 1, page);
      return 0xFF;
    }
    case Kind::kAutoIncrementProgram:
      if (dataIndex == 0) latch_[0] = mosi;
      latched_ = 1;
      return 0xFF;
    default:
      return 0xFF;
  }
}

bool SpiNorChip::MayWrite() const {
  return (status1_ & kStatusWel) != 0 && (status1_ & kStatusBlockProtect) == 0 && !storage_.empty();
}

void SpiNorChip::Finish() {
  // The record is taken before the command acts: acting may change its framing (AAI mode).
  const uint32_t after = clocked_ - 1;
  const uint32_t addressBytes = std::min(after, AddressBytes());
  SpiCommandRecord record{opcode_, CarriesAddress() ? address_ : 0, after - addressBytes, false};
  record.accepted = Apply();
  Log(record);
}

bool SpiNorChip::Apply() {
  const bool opcodeOnly = clocked_ == 1;
  switch (kind_) {
    case Kind::kNone:
      return false;
    case Kind::kWriteEnable:
      if (opcodeOnly) status1_ |= kStatusWel;
      return opcodeOnly;
    case Kind::kWriteDisable:
      if (!opcodeOnly) return false;
      status1_ &= static_cast<uint8_t>(~kStatusWel);
      ewsrLatched_ = false;
      autoIncrement_ = false;
      return true;
    case Kind::kEnableWriteStatus:
      if (opcodeOnly) ewsrLatched_ = true;
      return opcodeOnly;
    case Kind::kWriteStatus:
      return ApplyWriteStatus();
    case Kind::kChipErase:
      if (!opcodeOnly) return false;
      return ApplyErase(0, static_cast<uint32_t>(storage_.size()),
                        kChipEraseNsPer512KiB * storage_.size() / (std::size_t{512} * 1024));
    case Kind::kSectorErase:
      if (clocked_ != 4) return false;
      return ApplyErase(address_ & ~(kSectorBytes - 1), kSectorBytes, kSectorEraseNs);
    case Kind::kPageProgram:
      return ApplyProgram();
    case Kind::kAutoIncrementProgram:
      return ApplyAutoIncrement();
    default:
      return true;  // reads and identification change nothing
  }
}

bool SpiNorChip::ApplyWriteStatus() {
  const bool enabled = (status1_ & kStatusWel) != 0 || ewsrLatched_;
  ewsrLatched_ = false;
  if (!enabled || latched_ == 0) {
    return false;
  }
  status1_ = static_cast<uint8_t>(latch_[0] & kWritableStatusBits);
  if (latched_ >= 2 && part_.statusBytes == 2) {
    status2_ = latch_[1];
  }
  busyUntilNs_ = clock_.NowNs() + kStatusWriteNs;
  return true;
}

bool SpiNorChip::ApplyErase(uint32_t first, uint32_t length, uint64_t busyNs) {
  const bool allowed = MayWrite();
  status1_ &= static_cast<uint8_t>(~kStatusWel);
  if (!allowed) {
    return false;
  }
  first %= static_cast<uint32_t>(storage_.size());
  const uint32_t last = std::min<uint32_t>(first + length, static_cast<uint32_t>(storage_.size()));
  std::fill(storage_.begin() + first, storage_.begin() + last, 0xFF);
  // Stuck cells never erase: they stay programmed.
  auto stuck =
      std::lower_bound(description_.stuckAddresses.begin(), description_.stuckAddresses.end(), first);
  for (; stuck != description_.stuckAddresses.end() && *stuck < last; ++stuck) {
    storage_[*stuck] = 0x00;
  }
  busyUntilNs_ = clock_.NowNs() + busyNs;
  return true;
}

bool SpiNorChip::ApplyProgram() {
  const bool allowed = MayWrite() && latched_ != 0 && clocked_ > 4;
  status1_ &= static_cast<uint8_t>(~kStatusWel);
  if (!allowed) {
    return false;
  }
  const uint32_t page = part_.pageSize == 0 ? 1 : part_.pageSize;
  const uint32_t size = static_cast<uint32_t>(storage_.size());
  const uint32_t base = (address_ - address_ % page) % size;
  if (!description_.programFails) {
    // Programming only clears bits; the latch holds 0xFF where nothing was sent.
    for (uint32_t i = 0; i < page && base + i < size; ++i) {
      storage_[base + i] &= latch_[i];
    }
  }
  busyUntilNs_ = clock_.NowNs() + (page == 1 ? kByteProgramNs : kPageProgramNs);
  return true;
}

bool SpiNorChip::ApplyAutoIncrement() {
  const uint32_t needed = autoIncrement_ ? 2 : 5;
  if (clocked_ < needed || !MayWrite()) {
    status1_ &= static_cast<uint8_t>(~kStatusWel);
    autoIncrement_ = false;
    return false;
  }
  // The first command carries the address; later ones only a data byte. The
  // mode (and WEL) lasts until WRDI.
  if (!autoIncrement_) {
    autoIncrementAddress_ = address_;
    autoIncrement_ = true;
  }
  const uint32_t size = static_cast<uint32_t>(storage_.size());
  if (!description_.programFails) {
    storage_[autoIncrementAddress_ % size] &= latch_[0];
  }
  autoIncrementAddress_ = (autoIncrementAddress_ + 1) & kAddressMask;
  busyUntilNs_ = clock_.NowNs() + kByteProgramNs;
  return true;
}

void SpiNorChip::Log(const SpiCommandRecord& record) {
  ++total_;
  ++opcodeCounts_[record.opcode];
  if (log_.size() >= logCapacity_) {
    ++dropped_;
    return;
  }
  log_.push_back(record);
}

}  // namespace tamsel::sim
