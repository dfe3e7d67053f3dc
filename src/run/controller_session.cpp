#include "run/controller_session.h"

#include "flash/spi_flash_detect.h"
#include "flash/spi_grant.h"
#include "hw/hardware_operations.h"

namespace tamsel {

ControllerSession::~ControllerSession() {
  if (granted_) {
    QOR7740SpiReleaseControlGrant(slot_.controller);
  }
  if (mapped_) {
    UnmapMem(slot_.controller.window);
    slot_.controller.window = 0;
  }
}

OpStatus ControllerSession::Open() {
  if (!SpiControllerInit(slot_.bus, slot_.device, slot_.function, slot_.controller)) {
    return op_status::kInitControllerFail;
  }
  mapped_ = true;
  if (!QOR7740SpiGetControlGrant(slot_.controller)) {
    return op_status::kGrantFail;  // the grant routine has withdrawn its request
  }
  granted_ = true;
  slot_.flash.controller = &slot_.controller;
  if (!SpiFlashDetectSpiFlashRom(slot_.flash)) {
    return op_status::kDetectFlashFail;
  }
  return op_status::kNoOperations;
}

}  // namespace tamsel
