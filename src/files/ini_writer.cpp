// StoreINIFile: writes the settings record back as the 29-line file text.

#include <string>

#include "files/file_access.h"
#include "files/ini_settings.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr const char* kRoutine = "CTamselDlg::StoreINIFile";

void AddText(std::string& text, const char* key, const FixedText& value) {
  text += key;
  text += '=';
  text += FixedTextView(value);
  text += "\r\n";
}

void AddNumber(std::string& text, const std::string& key, uint8_t value) {
  text += key;
  text += '=';
  text += std::to_string(value);
  text += "\r\n";
}

}  // namespace

std::string FormatIniText(const IniSettings& ini) {
  std::string text;
  AddText(text, "ini path", ini.iniPath);
  text += "\r\n";
  text += "[fw_update_function]\r\n";
  AddText(text, "load_fw", ini.load_fw);
  AddNumber(text, "erase_all_content_of_spi_flash_rom_only", ini.erase_all_content_of_spi_flash_rom_only);
  AddNumber(text, "update_qor_584_spi_flash_rom", ini.update_qor_584_spi_flash_rom);
  AddNumber(text, "don't_update_customer_configuration_table", ini.dont_update_customer_configuration_table);
  AddNumber(text, "don't_update_firmware_record_table", ini.dont_update_firmware_record_table);
  AddNumber(text, "update_qor_584_spi_flash_rom_register_table_only",
            ini.update_qor_584_spi_flash_rom_register_table_only);
  for (std::size_t device = 0; device < kIniDeviceCount; ++device) {
    AddNumber(text, "DEV " + std::to_string(device), ini.DEV[device]);
  }
  text += "[LOG]\r\n";
  AddNumber(text, "savelog_enable", ini.savelog_enable);
  AddText(text, "savelog_path", ini.savelog_path);
  text += "\r\n";
  return text;
}

bool StoreINIFile(const std::string& strINIFilePath, const IniSettings& ini) {
  // A directory in place of the file is left alone; creating the file then fails.
  DeleteFileIfPresent(strINIFilePath);
  int error = 0;
  if (!CreateFileIfAbsent(strINIFilePath, error)) {
    TRACE_MSG(kRoutine, "StoreINIFile: strINIFilePath open failed : %s , dwErrorCode %d",
              strINIFilePath.c_str(), error);
    return false;
  }
  if (!WriteWholeFile(strINIFilePath, FormatIniText(ini), error)) {
    TRACE_MSG(kRoutine, "StoreINIFile: strINIFilePath : %s , dwErrorCode %d", strINIFilePath.c_str(), error);
    return false;
  }
  return true;
}

}  // namespace tamsel
