#include "files/ini_key_table.h"

#include <cstddef>

#include "platform/ascii_text.h"

namespace tamsel {

namespace {

std::vector<IniKey> BuildIniKeyTable() {
  using S = IniSettings;
  std::vector<IniKey> table = {
      {"ini path", IniKeyKind::kIgnored},
      {"[fw_update_function]", IniKeyKind::kTitle},
      {"load_fw", IniKeyKind::kText, &S::load_fw},
      {"erase_all_content_of_spi_flash_rom_only", IniKeyKind::kNumber, nullptr,
       &S::erase_all_content_of_spi_flash_rom_only},
      {"update_qor_584_spi_flash_rom", IniKeyKind::kNumber, nullptr, &S::update_qor_584_spi_flash_rom},
      {"don't_update_customer_configuration_table", IniKeyKind::kNumber, nullptr,
       &S::dont_update_customer_configuration_table},
      {"don't_update_firmware_record_table", IniKeyKind::kNumber, nullptr,
       &S::dont_update_firmware_record_table},
      {"update_qor_584_spi_flash_rom_register_table_only", IniKeyKind::kNumber, nullptr,
       &S::update_qor_584_spi_flash_rom_register_table_only},
      {"enable_CommandLineArgs", IniKeyKind::kRestrictionSwitch, nullptr, &S::ucEnArgs},
      {"CommandLineArgs", IniKeyKind::kRestrictionVersion, &S::ucArgs},
  };
  for (int device = 0; device < static_cast<int>(kIniDeviceCount); ++device) {
    table.push_back({"DEV " + std::to_string(device), IniKeyKind::kNumber, nullptr, nullptr, device});
  }
  table.push_back({"[LOG]", IniKeyKind::kTitle});
  table.push_back({"savelog_enable", IniKeyKind::kNumber, nullptr, &S::savelog_enable});
  table.push_back({"savelog_path", IniKeyKind::kText, &S::savelog_path});
  return table;
}

}  // namespace

const std::vector<IniKey>& IniKeyTable() {
  static const std::vector<IniKey> table = BuildIniKeyTable();
  return table;
}

const IniKey* FindIniKey(std::string_view name) {
  for (const IniKey& key : IniKeyTable()) {
    if (EqualIgnoringCase(key.name, name)) {
      return &key;
    }
  }
  return nullptr;
}

uint8_t* IniKeyFlag(IniSettings& ini, const IniKey& key) {
  if (key.device >= 0 && key.device < static_cast<int>(kIniDeviceCount)) {
    return &ini.DEV[static_cast<std::size_t>(key.device)];
  }
  return key.flag != nullptr ? &(ini.*key.flag) : nullptr;
}

}  // namespace tamsel
