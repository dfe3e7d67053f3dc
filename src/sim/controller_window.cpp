#include "sim/controller_window.h"

#include <algorithm>

namespace tamsel::sim {

namespace {

constexpr uint32_t kData = 0xB00;
constexpr uint32_t kControl = 0xB04;
constexpr uint32_t kGrant = 0xB06;
constexpr uint32_t kConfig = 0xB11;
constexpr uint8_t kCountMask = 0x07;
constexpr uint8_t kWrite = 0x08;
constexpr uint8_t kRelease = 0x10;
constexpr uint8_t kStartBusy = 0x20;
constexpr uint8_t kGrantRequest = 0x01;
constexpr uint8_t kGrantGranted = 0x02;
constexpr uint8_t kFloatingMiso = 0xFF;  // nothing drives MISO while deselected

}  // namespace

ControllerWindow::ControllerWindow(SpiBusDevice& bus, const VirtualClock& clock, WindowFaults faults,
                                   uint32_t spiByteNs)
    : bus_(bus), clock_(clock), faults_(faults), spiByteNs_(spiByteNs) {
  plain_[kConfig] = 0x0F;  // bits 1-3 set at reset; the driver clears them when it opens the window
}

uint8_t ControllerWindow::Read(uint32_t offset) {
  offset &= kWindowSize - 1;
  if (offset >= kData && offset < kData + 4) return data_[offset - kData];
  if (offset == kControl) return static_cast<uint8_t>((control_ & ~kStartBusy) | (Busy() ? kStartBusy : 0));
  if (offset == kGrant) return ReadGrant();
  return plain_[offset];
}

void ControllerWindow::Write(uint32_t offset, uint8_t value) {
  offset &= kWindowSize - 1;
  if (offset >= kData && offset < kData + 4) {
    data_[offset - kData] = value;
  } else if (offset == kControl) {
    WriteControl(value);
  } else if (offset == kGrant) {
    grant_ = static_cast<uint8_t>((grant_ & kGrantGranted) | (value & kGrantRequest));
    if ((value & kGrantRequest) == 0) {
      grant_ = 0;
      grantReads_ = 0;
    }
  } else {
    plain_[offset] = value;
  }
}

uint8_t ControllerWindow::ReadGrant() {
  if ((grant_ & kGrantRequest) != 0 && (grant_ & kGrantGranted) == 0 && !faults_.grantNever) {
    if (grantReads_ >= faults_.grantPolls) {
      grant_ |= kGrantGranted;
    } else {
      ++grantReads_;
    }
  }
  return grant_;
}

bool ControllerWindow::Busy() const {
  return faults_.busy ? busyUntilNs_ != 0 : clock_.NowNs() < busyUntilNs_;
}

void ControllerWindow::Stall(uint64_t nanoseconds) {
  busyUntilNs_ = std::max(busyUntilNs_, clock_.NowNs() + nanoseconds);
}

void ControllerWindow::WriteControl(uint8_t value) {
  if (Busy()) return;  // the shift register ignores the control register while it runs
  const bool select = (value & kRelease) == 0;
  if (select != chipSelected_) {
    chipSelected_ = select;
    bus_.SetChipSelect(select);
  }
  control_ = static_cast<uint8_t>(value & ~kStartBusy);
  if ((value & kStartBusy) != 0) Transfer(value);
}

void ControllerWindow::Transfer(uint8_t control) {
  const uint32_t count = control & kCountMask;
  if (count < 1 || count > 4) return;
  const bool write = (control & kWrite) != 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t mosi = write ? data_[i] : 0x00;
    const uint8_t miso = chipSelected_ ? bus_.Exchange(mosi) : kFloatingMiso;
    if (!write) data_[i] = miso;
  }
  busyUntilNs_ = clock_.NowNs() + uint64_t{spiByteNs_} * count + 1;
}

}  // namespace tamsel::sim
