#include "flash/spi_flash_detect.h"

#include "flash/spi_flash_chip_table.h"
#include "flash/spi_flash_commands.h"

namespace tamsel {
namespace {

constexpr uint8_t kReadJedecIdOpcode = 0x9F;
constexpr uint8_t kReadSignatureOpcode = 0xAB;

bool NoChipAnswers(const SpiFlashId& id) {
  return id == SpiFlashId{0xFF, 0xFF, 0xFF} || id == SpiFlashId{0x00, 0x00, 0x00};
}

}  // namespace

void SpiFlashReadJedecId(const SpiController& controller, SpiFlashId& id) {
  const uint8_t command[] = {kReadJedecIdOpcode};
  SpiFlashQuery(controller, command, id);
}

void SpiFlashReadSignature(const SpiController& controller, SpiFlashId& id) {
  const uint8_t command[] = {kReadSignatureOpcode, 0x00, 0x00, 0x00};
  SpiFlashQuery(controller, command, id);
}

bool SpiFlashDetectSpiFlashRom(SpiFlash& flash) {
  if (flash.controller == nullptr) {
    return false;
  }
  SpiFlashId id{flash.desc.manufacturerId, flash.desc.memoryType, flash.desc.capacityId};
  SpiFlashReadJedecId(*flash.controller, id);
  if (NoChipAnswers(id)) {
    SpiFlashReadSignature(*flash.controller, id);
  }
  flash.desc.manufacturerId = id[0];
  flash.desc.memoryType = id[1];
  flash.desc.capacityId = id[2];
  if (NoChipAnswers(id)) {
    return false;
  }
  if (const SpiFlashDesc* row = FindSpiFlashChip(id[0], id[1], id[2])) {
    flash.desc = *row;
    flash.supported = 1;
  } else {
    flash.desc = UnknownSpiFlashDesc(id[0], id[1], id[2]);
    flash.supported = 0;
  }
  return true;
}

}  // namespace tamsel
