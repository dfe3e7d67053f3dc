#include "run/device_operations.h"

#include <algorithm>
#include <array>
#include <vector>

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

// iUpdate's trace message for each outcome code; an empty one traces the code's own message.
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

// Copies the chip's bytes of one table into the image, as far as the image
// reaches. False when the chip could not be read: the image would then carry
// the file's table (or part of it) over the chip's.
bool CopyTableFromChip(const SpiFlash& flash, std::span<uint8_t> image, uint32_t offset, uint32_t size) {
  if (image.size() <= offset) {
    return true;
  }
  const auto length = static_cast<uint32_t>(std::min<std::size_t>(size, image.size() - offset));
  return SpiFlashRead(flash, image.data() + offset, offset, length);
}

// The chip's tables copied into the image for the keys that are 0: 0 when
// done, else the code of the table that could not be read.
OpStatus KeepChipTables(const SpiFlash& flash, std::span<uint8_t> image, const IniSettings& ini) {
  if (ini.dont_update_customer_configuration_table == 0 &&
      !CopyTableFromChip(flash, image, kCustomerConfigTableOffset, kCustomerConfigTableSize)) {
    return op_status::kReadCustomerTableFail;
  }
  if (ini.dont_update_firmware_record_table == 0 &&
      !CopyTableFromChip(flash, image, kFirmwareRecordTableOffset, kFirmwareRecordTableSize)) {
    return op_status::kReadRecordTableFail;
  }
  return op_status::kNoOperations;
}

// What a register-table-only update writes: the chip's own content over the
// whole span the engine erases (the whole chip for a chip from the table, the
// sectors erased for a 256-byte update of another chip) with the image's
// register table in front, so every byte outside it is written back as it
// was. False when the chip could not be read; nothing has been erased then.
bool ChipContentWithRegisterTable(const SpiFlash& flash, std::span<const uint8_t> image,
                                  std::vector<uint8_t>& content) {
  const uint32_t span = flash.supported == 1
                            ? ChipBytes(flash)
                            : UnsupportedChipEraseSectors(kRegisterTableSize) * kEraseSectorBytes;
  content.assign(span, 0);
  if (!SpiFlashRead(flash, content.data(), 0, span)) {
    TRACE_MSG(kUpdateRoutine, "iUpdate: cannot read the chip's content to keep it; nothing erased");
    return false;
  }
  const std::size_t table = std::min<std::size_t>(kRegisterTableSize, image.size());
  std::copy_n(image.begin(), table, content.begin());
  return true;
}

bool RunEngine(const SpiFlash& flash, std::span<const uint8_t> data,
               const ProgressReporter* consoleProgress) {
  const auto length = static_cast<uint32_t>(data.size());
  return consoleProgress != nullptr
             ? QOR7740UpdateSpiFlashRom_CMD(flash, data.data(), length, *consoleProgress)
             : QOR7740UpdateSpiFlashRom(flash, data.data(), length);
}

OpStatus Traced(OpStatus code) {
  const char* message = kUpdateMessages[code];
  TRACE_MSG(kUpdateRoutine, "%s", message[0] != '\0' ? message : OpStatusMessage(code));
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
  if (const OpStatus kept = KeepChipTables(flash, image, ini); kept != op_status::kNoOperations) {
    return Traced(kept);
  }
  const bool registerTableOnly =
      ini.update_qor_584_spi_flash_rom == 0 && ini.update_qor_584_spi_flash_rom_register_table_only == 1;
  if (!registerTableOnly) {
    return Traced(RunEngine(flash, image, consoleProgress) ? op_status::kUpdatePass : op_status::kUpdateFail);
  }
  std::vector<uint8_t> content;
  if (!ChipContentWithRegisterTable(flash, image, content)) {
    return Traced(op_status::kUpdateFail);
  }
  return Traced(RunEngine(flash, content, consoleProgress) ? op_status::kUpdatePass : op_status::kUpdateFail);
}

}  // namespace tamsel
