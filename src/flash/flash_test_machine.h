#pragma once
// Test support: a simulated machine with one controller at 03:00.0 whose
// flash and faults the test describes in machine.json terms, its window
// opened and (unless asked otherwise) the SPI grant held.

#include <cstdint>
#include <string>
#include <vector>

#include "flash/spi_grant.h"
#include "hw/hardware_operations.h"
#include "hw/spi_controller.h"
#include "hw/spi_flash_record.h"
#include "platform/qorio_requests.h"
#include "sim/test_machine.h"

namespace tamsel {

// machine.json for one controller; `flashJson` and `faultsJson` are the
// bodies of its "flash" and "faults" objects.
inline std::string OneControllerMachineJson(const std::string& flashJson,
                                            const std::string& faultsJson = "") {
  return R"({"controllers": [{"location": "03:00.0", "device_id": "0x5844", "vendor_id": "0x1E9C",
             "flash": {"content": "flash.bin", )" +
         flashJson + R"(}, "faults": {)" + faultsJson + R"(}}], "devices": []})";
}

class FlashTestMachine {
 public:
  explicit FlashTestMachine(const std::string& flashJson, const std::string& faultsJson = "",
                            bool takeGrant = true)
      : sim_(OneControllerMachineJson(flashJson, faultsJson)) {
    opened_ = sim_.loaded() && SpiControllerInit(3, 0, 0, controller);
    granted_ = opened_ && takeGrant && QOR7740SpiGetControlGrant(controller);
    flash.controller = &controller;
    if (chip() != nullptr) chip()->SetCommandLogCapacity(1u << 16);
  }
  ~FlashTestMachine() {
    if (granted_) QOR7740SpiReleaseControlGrant(controller);
    if (controller.window != 0) UnmapMem(controller.window);
  }
  FlashTestMachine(const FlashTestMachine&) = delete;
  FlashTestMachine& operator=(const FlashTestMachine&) = delete;

  bool opened() const { return opened_; }
  bool granted() const { return granted_; }
  sim::TestMachine& sim() { return sim_; }
  sim::SpiNorChip* chip() { return sim_.error().empty() ? sim_.chip(0) : nullptr; }
  std::span<uint8_t> bytes() { return sim_.flash(0); }

  // The values written to one window register, in order, from recorded requests.
  std::vector<uint8_t> RegisterWrites(const std::vector<sim::RecordedRequest>& requests,
                                      uint32_t offset) const {
    std::vector<uint8_t> values;
    for (const sim::RecordedRequest& request : requests) {
      qorio::MemRecord record;
      if (request.code == qorio::kIoctlWriteMem && qorio::Decode(request.input, record) &&
          record.address == controller.window + offset) {
        values.push_back(static_cast<uint8_t>(record.value));
      }
    }
    return values;
  }
  // The control values of the transfers started (start bit set).
  std::vector<uint8_t> TransferControls(const std::vector<sim::RecordedRequest>& requests) const {
    std::vector<uint8_t> controls;
    for (uint8_t value : RegisterWrites(requests, kSpiControlRegister)) {
      if ((value & kSpiControlStartBusy) != 0) controls.push_back(value);
    }
    return controls;
  }

  SpiController controller;
  SpiFlash flash;

 private:
  sim::TestMachine sim_;
  bool opened_ = false;
  bool granted_ = false;
};

}  // namespace tamsel
