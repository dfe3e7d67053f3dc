#include "run/run_controller.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "files/history_log.h"
#include "files/production_log.h"
#include "hw/hardware_operations.h"
#include "image/version_limit.h"
#include "image/version_text.h"
#include "platform/trace.h"
#include "run/device_operations.h"
#include "run/dialog_endings.h"
#include "run/firmware_check_setting.h"

namespace tamsel {

int g_iOverallPass = 0;

namespace {

constexpr const char* kRoutine = "CTamselDlg::OnBnClickedButtonStart";

// A "%s\n" history line and a message-trace line of the same text.
void HistoryAndTrace(const std::string& text) {
  vWriteHistory("%s\n", text.c_str());
  TRACE_MSG(kRoutine, "%s", text.c_str());
}

std::string DeviceText(const char* format, std::size_t index) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<int>(index));
  return text;
}

struct Tally {
  unsigned passes = 0;
  unsigned failures = 0;
  std::string strFW;  // the last firmware text compared with the restriction
};

bool UpdateChosen(const IniSettings& ini) {
  return ini.update_qor_584_spi_flash_rom == 1 || ini.update_qor_584_spi_flash_rom_register_table_only == 1;
}

// The firmware file, checked once per run when an update is chosen; a failed
// check marks every selected device with its code.
void CheckFirmwareFile(ProductionState& state, Tally& tally) {
  HistoryAndTrace("Begin to check the file");
  CheckFWBIN(0, FirmwareCheckSettingFor(state), state.firmware);
  if (state.firmware.iCheckFwStatus == kCheckFwPassed) {
    return;
  }
  HistoryAndTrace("Check file fail.");
  for (std::size_t i = 0; i < state.devices.uc584Host; ++i) {
    TRACE_MSG(kRoutine, "%s", "To set the checking file fail status.");
    if (state.m_pINI.DEV[i] == 1) {
      state.devices.slots[i].status = state.firmware.iCheckFwStatus;
      ++tally.failures;
    }
  }
}

std::span<uint8_t> LoadedImage(FirmwareFile& firmware) {
  if (!firmware.pSpiromBuffer) {
    return {};
  }
  return *firmware.pSpiromBuffer;
}

// False when the version restriction refuses the device.
bool PassesRestriction(const ProductionState& state, const DeviceSlot& slot, Tally& tally) {
  if (state.restriction.m_bLimitFWVer != 1) {
    return true;
  }
  tally.strFW = RemoveUnderscores(slot.flashFwVersionText.data());
  if (iChangeVersionXtoValid(state.restriction.strLimitFWVer, tally.strFW) == kVersionMatch) {
    return true;
  }
  TRACE_MSG(kRoutine, " FW Version is different [%s] [%s]", state.restriction.strLimitFWVer.c_str(),
            tally.strFW.c_str());
  return false;
}

// The update of one device. False when the restriction refused the device (no tally, no
// progress step).
bool UpdateDevice(ProductionState& state, std::size_t index, RunDialog& dialog, Tally& tally) {
  DeviceSlot& slot = state.devices.slots[index];
  HistoryAndTrace(DeviceText("Dev[%d] Begin to do update", index));
  if (!PassesRestriction(state, slot, tally)) {
    slot.status = op_status::kNoDeviceToOperate;
    return false;
  }
  std::optional<ProgressReporter> console;
  if (state.options.m_bCmdMode) {
    console.emplace(std::cout, [&dialog] { dialog.vPumpMessages(); });
  }
  const uint32_t started = GetTickCountMs();
  slot.status = iUpdate(LoadedImage(state.firmware), slot, state.m_pINI, console ? &*console : nullptr);
  char timing[64];
  std::snprintf(timing, sizeof timing, "Dev[%d] iUpdate: %d ms", static_cast<int>(index),
                static_cast<int>(GetTickCountMs() - started));
  TRACE_MSG(kRoutine, "%s", timing);
  vWriteHistory("%s\n", timing);
  dialog.vPumpMessages();
  return true;
}

void CountOutcome(std::size_t index, OpStatus status, Tally& tally) {
  if (status == op_status::kErasePass) {
    vWriteHistory("Dev[%d]::Erase SPI Flash Pass!\n", static_cast<int>(index));
    ++tally.passes;
  } else if (status == op_status::kUpdatePass) {
    vWriteHistory("Dev[%d]::Update SPI Flash Pass!\n", static_cast<int>(index));
    ++tally.passes;
  } else {
    ++tally.failures;
    vWriteHistory("Error => Dev[%d]::failed, %d", static_cast<int>(index), static_cast<int>(status));
  }
}

// One device of the run: skipped, refused, or worked on, tallied and stepped.
void WorkOnDevice(ProductionState& state, std::size_t index, RunDialog& dialog, Tally& tally) {
  const uint8_t selection = state.m_pINI.DEV[index];
  DeviceSlot& slot = state.devices.slots[index];
  if (selection == 0) {
    return;
  }
  if (selection == 1 && slot.bus == 0) {
    slot.status = op_status::kNoDeviceToOperate;
    return;
  }
  const int row = static_cast<int>(index);
  dialog.vSetStatusCellPass(row, "Running...");
  dialog.vPumpMessages();
  if (state.m_pINI.erase_all_content_of_spi_flash_rom_only == 1) {
    HistoryAndTrace(DeviceText("Dev[%d] Begin to do erase", index));
    slot.status = iEraseFunc(slot, row, dialog);
  }
  if (UpdateChosen(state.m_pINI) && state.firmware.iCheckFwStatus == kCheckFwPassed &&
      !UpdateDevice(state, index, dialog, tally)) {
    return;
  }
  CountOutcome(index, slot.status, tally);
  dialog.vStepRunProgress(state.devices.uc584Host, row, tally.failures != 0);
}

// The mismatch warning names the restriction and the last compared text
// when some device was refused by it. A refused stand-in image is told with
// the check's message, which says why and how to build with the real image.
std::string FailureMessage(const ProductionState& state, const Tally& tally) {
  if (state.firmware.standInRefused) {
    return "QOR584xFWUpgrade Fail() !\n" + state.firmware.message;
  }
  for (std::size_t i = 0; i < state.devices.uc584Host; ++i) {
    if (state.devices.slots[i].status == op_status::kNoDeviceToOperate) {
      char text[600];
      std::snprintf(text, sizeof text, "Warning! QOR584xFWUpgrade Mismatch! strLimitFWVer[%s], strFW[%s]",
                    state.restriction.strLimitFWVer.c_str(), tally.strFW.c_str());
      return text;
    }
  }
  return "QOR584xFWUpgrade Fail() !";
}

// The end of an automatic run: the verdict, the result file and the end of the program.
void EndAutomaticRun(ProductionState& state, RunDialog& dialog, const Tally& tally) {
  if (tally.passes > 0) {
    vWriteHistory("%s\n", "QOR584xFWUpgrade Success !");
    g_iOverallPass = 1;
    vWriteVerdict(state);
  } else {
    vWriteHistory("%s\n", "QOR584xFWUpgrade Fail() !");
    dialog.ShowWarning(FailureMessage(state, tally));
  }
  vCancelPath(state);
  dialog.EndDialog(kDialogCancel);
}

}  // namespace

void vShowDeviceStatus(const ProductionState& state, RunDialog& dialog) {
  for (std::size_t i = 0; i < state.devices.uc584Host; ++i) {
    const int row = static_cast<int>(i);
    const OpStatus status = state.devices.slots[i].status;
    if (state.m_pINI.DEV[i] != 1) {
      dialog.vSetListCell(row, kStatusColumn, OpStatusMessage(op_status::kNoOperations));
    } else if (IsPassStatus(status)) {
      dialog.vSetStatusCellPass(row, OpStatusMessage(status));
    } else if (status == op_status::kNoOperations) {
      dialog.vSetListCell(row, kStatusColumn, OpStatusMessage(status));
    } else {
      dialog.vSetStatusCellFail(row, OpStatusMessage(status));
    }
  }
}

void OnBnClickedButtonStart(ProductionState& state, RunDialog& dialog) {
  DeviceTable& devices = state.devices;
  vWriteHistory("OnBnClickedButtonStart() start, uc584Host=%d\n", static_cast<int>(devices.uc584Host));
  dialog.vStartRunProgress(devices.uc584Host);
  StoreINIFile(FixedTextString(state.m_pINI.iniPath), state.m_pINI);
  Tally tally;
  dialog.vDisableDialogControls();
  for (DeviceSlot& slot : devices.slots) {
    slot.status = op_status::kNoOperations;
  }
  if (UpdateChosen(state.m_pINI)) {
    CheckFirmwareFile(state, tally);
  }
  for (std::size_t i = 0; i < devices.uc584Host && i < kMaxDevices; ++i) {
    WorkOnDevice(state, i, dialog, tally);
  }
  vShowDeviceStatus(state, dialog);
  bSaveLog(ProductionLogSetting{state.m_szStartDir, state.devices, state.m_pINI,
                                state.firmware.pSpiromFileName(), *state.clock});
  dialog.vEnableDialogControls();
  dialog.vRefreshDevCheckBoxes(kDevBoxesAfterScan);
  if (state.options.m_bAutoMode) {
    EndAutomaticRun(state, dialog, tally);
  }
}

}  // namespace tamsel
