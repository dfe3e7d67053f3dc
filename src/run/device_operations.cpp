#include "run/device_operations.h"

#include <algorithm>
#include <array>

#include "flash/spi_flash_commands.h"
#include "flash/spi_flash_update.h"
#include "image/image_layout.h"
#include "platform/trace.h"
#include "run/controller_session.h"

namespace tamsel {

namespace {

constexpr const char* kEraseRoutine = "CTamselDlg::iEraseFunc";
constexpr const char* kUpdateRoutine = "CTamselDlg::iUpdate";
constexpr const char* kChipKnown = "Find a SPI ROM";
constexpr const char* kChipUnknown = "Find a SPI rom not in supported list.";

// iUpdate's trace message for each outcome code.
constexpr std::array<const char*, 11> kUpdateMessages = {
    "",
    "Init SPI Controller Fail",
    "Get SPI Controller Grant Fail",
    "Detect SPI Flash Rom Fail",
    "",
    "",
    "SPI ROM capacity less than ROM file.",
    "",
    "",
    "QOR7740UpdateSpiFlashRom fail!!!",
    "QOR7740UpdateSpiFlashRom Pass.",
};

uint32_t ChipBytes(const SpiFlash& flash) {
  return static_cast<uint32_t>(flash.desc.sizeKiB) * 1024u;
}

bool ClearStatusRegister(const SpiFlash& flash) {
  for (int attempt = 0; attempt < kClearStatusAttempts; ++attempt) {
    if (SpiFlashClearStatusRegister(flash)) {
      return true;
    }
  }
  return false;
}

// Every sector, even after a failed one; true when all succeeded.
bool EraseAllSectors(const SpiFlash& flash) {
  bool result = true;
  const uint32_t sectors = flash.desc.sizeKiB / 4u;
  for (uint32_t k = 0; k < sectors; ++k) {
    result = SpiFlashSectorErase(flash, k * kSectorBytes) && result;
  }
  return result;
}

bool EraseAndBlankCheck(const SpiFlash& flash) {
  bool result = false;
  for (int attempt = 0; !result && attempt < kEraseAttempts; ++attempt) {
    result = flash.supported == 1 ? SpiFlashChipErase(flash) : EraseAllSectors(flash);
    if (result) {
      result = QOR7740BlankCheckSpiFlashRom(flash, ChipBytes(flash));
    }
  }
  return result;
}

// Copies the chip's bytes of one table into the image, as far as the image reaches.
void CopyTableFromChip(const SpiFlash& flash, std::span<uint8_t> image, uint32_t offset, uint32_t size) {
  if (image.size() <= offset) {
    return;
  }
  const auto length = static_cast<uint32_t>(std::min<std::size_t>(size, image.size() - offset));
  SpiFlashRead(flash, image.data() + offset, offset, length);
}

OpStatus Traced(OpStatus code) {
  TRACE_MSG(kUpdateRoutine, "%s", kUpdateMessages[code]);
  return code;
}

}  // namespace

OpStatus iEraseFunc(DeviceSlot& slot, int row, RunDialog& dialog) {
  ControllerSession session(slot);
  const OpStatus opened = session.Open();
  if (opened != op_status::kNoOperations) {
    return opened;
  }
  const SpiFlash& flash = session.flash();
  const char* chipText = flash.supported == 1 ? kChipKnown : kChipUnknown;
  dialog.vSetListCell(row, kStatusColumn, chipText);
  TRACE_MSG(kEraseRoutine, "%s", chipText);
  const bool erased = ClearStatusRegister(flash) && EraseAndBlankCheck(flash);
  return erased ? op_status::kErasePass : op_status::kEraseFail;
}

OpStatus iUpdate(std::span<uint8_t> image, DeviceSlot& slot, const IniSettings& ini,
                 const ProgressReporter* consoleProgress) {
  TRACE_MSG(kUpdateRoutine, "iUpdate: Begin to update");
  TRACE_MSG(kUpdateRoutine, "iUpdate: Begin to SpiControllerInit");
  ControllerSession session(slot);
  const OpStatus opened = session.Open();
  if (opened != op_status::kNoOperations) {
    return Traced(opened);
  }
  const SpiFlash& flash = session.flash();
  if (flash.supported != 1) {
    TRACE_MSG(kUpdateRoutine, "%s", kChipUnknown);
  } else {
    TRACE_MSG(kUpdateRoutine, "%s", kChipKnown);
    if (image.size() > ChipBytes(flash)) {
      return Traced(op_status::kCapacityTooSmall);
    }
  }
  if (ini.dont_update_customer_configuration_table == 0) {
    CopyTableFromChip(flash, image, kCustomerConfigTableOffset, kCustomerConfigTableSize);
  }
  if (ini.dont_update_firmware_record_table == 0) {
    CopyTableFromChip(flash, image, kFirmwareRecordTableOffset, kFirmwareRecordTableSize);
  }
  const bool registerTableOnly =
      ini.update_qor_584_spi_flash_rom == 0 && ini.update_qor_584_spi_flash_rom_register_table_only == 1;
  const auto length = static_cast<uint32_t>(
      registerTableOnly ? std::min<std::size_t>(kRegisterTableSize, image.size()) : image.size());
  const bool written = consoleProgress != nullptr
                           ? QOR7740UpdateSpiFlashRom_CMD(flash, image.data(), length, *consoleProgress)
                           : QOR7740UpdateSpiFlashRom(flash, image.data(), length);
  return Traced(written ? op_status::kUpdatePass : op_status::kUpdateFail);
}

}  // namespace tamsel
