#pragma once
// A stand-in for the flash chip in tests of the controller window: it records
// every chip-select change and every byte clocked out, and answers from a
// script of bytes (then 0x00).

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "sim/machine.h"
#include "sim/spi_bus_device.h"

namespace tamsel::sim {

class ScriptedSpiDevice final : public SpiBusDevice {
 public:
  struct Event {
    enum class Kind { kSelect, kDeselect, kByte } kind;
    uint8_t mosi = 0;
    bool operator==(const Event&) const = default;
  };

  void SetChipSelect(bool selected) override {
    selected_ = selected;
    events_.push_back({selected ? Event::Kind::kSelect : Event::Kind::kDeselect});
  }
  uint8_t Exchange(uint8_t mosi) override {
    events_.push_back({Event::Kind::kByte, mosi});
    if (answers_.empty()) return 0x00;
    const uint8_t answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  void Answer(std::initializer_list<uint8_t> bytes) { answers_.insert(answers_.end(), bytes); }
  const std::vector<Event>& events() const { return events_; }
  void ClearEvents() { events_.clear(); }
  bool selected() const { return selected_; }

  // A chip factory that puts stand-ins on every controller's bus and keeps
  // a pointer to each in `devices`, in controller order.
  static ChipFactory Factory(std::vector<ScriptedSpiDevice*>& devices) {
    return [&devices](const FlashChipDescription&, std::span<uint8_t>, const VirtualClock&) {
      auto device = std::make_unique<ScriptedSpiDevice>();
      devices.push_back(device.get());
      return std::unique_ptr<SpiBusDevice>(std::move(device));
    };
  }

 private:
  std::deque<uint8_t> answers_;
  std::vector<Event> events_;
  bool selected_ = false;
};

}  // namespace tamsel::sim
