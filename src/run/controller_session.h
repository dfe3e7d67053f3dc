#pragma once
// One device's hold on its controller: the SPI window opened, the grant taken
// and the flash chip detected. Whatever was taken is given back when the
// session ends (grant released, then window unmapped), on every path.

#include "hw/device_table.h"
#include "run/op_status.h"

namespace tamsel {

class ControllerSession {
 public:
  explicit ControllerSession(DeviceSlot& slot) : slot_(slot) {}
  ~ControllerSession();
  ControllerSession(const ControllerSession&) = delete;
  ControllerSession& operator=(const ControllerSession&) = delete;

  // Opens the window, takes the grant and detects the chip. Returns
  // kNoOperations when the chip is ready, else the code of the failed step:
  // kInitControllerFail, kGrantFail or kDetectFlashFail.
  OpStatus Open();

  SpiFlash& flash() { return slot_.flash; }

 private:
  DeviceSlot& slot_;
  bool mapped_ = false;
  bool granted_ = false;
};

}  // namespace tamsel
