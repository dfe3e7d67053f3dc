#include "run/device_inventory.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "files/history_log.h"
#include "flash/spi_flash_commands.h"
#include "flash/spi_grant.h"
#include "hw/hardware_operations.h"
#include "image/image_layout.h"
#include "image/option_rom.h"
#include "image/version_text.h"
#include "platform/trace.h"
#include "run/controller_session.h"

namespace tamsel {

namespace {

constexpr const char* kReadRoutine = "CTamselDlg::ReadSPIROM";
constexpr uint32_t kDirectoryReadSize = 1024;

constexpr std::array<const char*, 4> kOpenFailureTraces = {
    "",
    "SpiControllerInit() FAIL ...",
    "QOR7740SpiGetControlGrant() FAIL ...",
    "SpiFlashDetectSpiFlashRom() FAIL ...",
};

void SetAllTexts(DeviceSlot& slot, const char* text) {
  for (SlotText* field :
       {&slot.opromVersionText, &slot.flashFwVersionText, &slot.chipNameText, &slot.capacityText}) {
    SetSlotText(*field, text);
  }
}

std::string ChipName(const SpiFlashDesc& desc) {
  const auto end = std::find(desc.name.begin(), desc.name.end(), '\0');
  return std::string(desc.name.begin(), end);
}

void SetChipTexts(DeviceSlot& slot) {
  const SpiFlashDesc& desc = slot.flash.desc;
  if (slot.flash.supported == 1) {
    char capacity[32];
    std::snprintf(capacity, sizeof capacity, "%4d kb", static_cast<int>(desc.sizeKiB));
    SetSlotText(slot.chipNameText, ChipName(desc).c_str());
    SetSlotText(slot.capacityText, capacity);
    return;
  }
  SetSlotText(slot.chipNameText, (ChipName(desc) + " not supported").c_str());
}

std::string ReadOptionRomVersion(const SpiFlash& flash, std::span<const uint8_t> directory) {
  const uint32_t address = ReadLe32(directory, kOptionRomAddressOffset).value_or(kNoOptionRom);
  if (!HasOptionRom(address)) {
    return std::string(kNoVersionText);
  }
  std::array<uint8_t, kOptionRomReadSize> rom{};
  SpiFlashRead(flash, rom.data(), address, static_cast<uint32_t>(rom.size()));
  return OptionRomVersionText(rom);
}

std::string ReadStoredFwVersion(const SpiFlash& flash, std::span<const uint8_t> directory) {
  const uint32_t first = ReadLe32(directory, kFirmwareAreaEntryOffset).value_or(0);
  const uint32_t second = ReadLe32(directory, kSecondFirmwareAreaEntryOffset).value_or(0);
  if (first == 0 || first == 0xFFFFFFFFu) {
    return std::string(kNoVersionText);
  }
  const uint32_t address = std::max(first, second) + kFirmwareVersionOffset;  // wraps as the hardware does
  std::array<uint8_t, kFirmwareVersionSize> version{};
  SpiFlashRead(flash, version.data(), address, static_cast<uint32_t>(version.size()));
  return FormatStoredFwVersion(version);
}

}  // namespace

void ReadSPIROM(DeviceSlot& slot) {
  ControllerSession session(slot);
  const OpStatus opened = session.Open();
  if (opened != op_status::kNoOperations) {
    TRACE_MSG(kReadRoutine, "%s", kOpenFailureTraces[opened]);
    SetAllTexts(slot, "None");
    if (opened == op_status::kGrantFail) {
      // The inventory gives the grant back on this path too, before the
      // session closes the window: whatever the failed attempts left in the
      // grant register, the request bit ends cleared.
      QOR7740SpiReleaseControlGrant(slot.controller);
    }
    return;
  }
  SetChipTexts(slot);
  std::array<uint8_t, kDirectoryReadSize> directory{};
  SpiFlashRead(session.flash(), directory.data(), 0, kDirectoryReadSize);
  SetSlotText(slot.opromVersionText, ReadOptionRomVersion(session.flash(), directory).c_str());
  SetSlotText(slot.flashFwVersionText, ReadStoredFwVersion(session.flash(), directory).c_str());
}

void InitDevProcess(DeviceTable& devices) {
  const uint32_t started = GetTickCountMs();
  Scan584Dev(devices);
  for (std::size_t i = 0; i < devices.uc584Host && i < kMaxDevices; ++i) {
    ReadSPIROM(devices.slots[i]);
  }
  char message[96];
  std::snprintf(message, sizeof message, "Scan584Dev()+ReadSPIROM: %d ms",
                static_cast<int>(GetTickCountMs() - started));
  TRACE_MSG("CTamselDlg::InitDevProcess", "%s", message);
  vWriteHistory("%s\n", message);
}

void vFillDeviceRows(DeviceTable& devices, RunDialog& dialog) {
  dialog.vResetListRows(devices.uc584Host);
  if (devices.uc584Host == 0) {
    for (int column = 1; column <= 7; ++column) {
      dialog.vSetListCell(0, column, column <= 3 ? "na" : "None");
    }
    return;
  }
  for (int i = 0; i < devices.uc584Host; ++i) {
    const DeviceSlot& slot = devices.slots[static_cast<std::size_t>(i)];
    char number[8];
    for (const auto& [column, value] :
         {std::pair{1, slot.bus}, std::pair{2, slot.device}, std::pair{3, slot.function}}) {
      std::snprintf(number, sizeof number, "%02d", static_cast<int>(value));
      dialog.vSetListCell(i, column, number);
    }
    dialog.vSetListCell(i, 4, FormatRunningFwVersion(FwVersionBytes(slot.fwVersionRegs.data(), 6)));
    dialog.vSetListCell(i, 5, slot.chipNameText.data());
    dialog.vSetListCell(i, 6, slot.capacityText.data());
  }
}

}  // namespace tamsel
