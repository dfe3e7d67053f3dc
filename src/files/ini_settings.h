#pragma once
// The settings record (the dialog's m_pINI) and its file "584upd.ini":
// LoadINIFile fills the record from the file, StoreINIFile writes it back.
// Lines end in CR LF; the reader also accepts a bare LF.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/fixed_text.h"

namespace tamsel {

inline constexpr std::size_t kIniDeviceCount = 16;
inline constexpr const char* kIniFileName = "584upd.ini";

// Fields in file order; each is named by its key. 1043 bytes, no padding.
struct IniSettings {
  FixedText iniPath{};  // "ini path": set by start-up, never read from the file
  FixedText load_fw{};
  uint8_t erase_all_content_of_spi_flash_rom_only = 0;
  uint8_t update_qor_584_spi_flash_rom = 0;
  uint8_t dont_update_customer_configuration_table = 0;
  uint8_t dont_update_firmware_record_table = 0;
  uint8_t update_qor_584_spi_flash_rom_register_table_only = 0;
  uint8_t ucEnArgs = 0;  // "enable_CommandLineArgs"
  FixedText ucArgs{};    // "CommandLineArgs"
  std::array<uint8_t, kIniDeviceCount> DEV{};
  uint8_t savelog_enable = 0;
  FixedText savelog_path{};
};
static_assert(sizeof(IniSettings) == 1043, "the settings record is 1043 bytes");

// The dialog's version restriction, which the reader also sets
// ("enable_CommandLineArgs" and "CommandLineArgs"), as does the option /L.
struct VersionRestriction {
  uint8_t m_bLimitFWVer = 0;
  std::string strLimitFWVer;
};

// Clears the record and fills it from the file. False when the file is
// missing or unreadable, a line is not recognised, or more than 20 non-empty
// lines were read (values read stay in the record in the last two cases).
bool LoadINIFile(const std::string& strINIFilePath, IniSettings& ini, VersionRestriction& restriction);

// Replaces the file with the record's 29-line text. False when the file cannot
// be created or written.
bool StoreINIFile(const std::string& strINIFilePath, const IniSettings& ini);

// The text StoreINIFile writes.
std::string FormatIniText(const IniSettings& ini);

// Reads an INI number: optional sign and digits, stopping at the first other
// character, no digits giving 0; the result is the value's low 8 bits.
uint8_t ParseIniNumber(std::string_view value);

}  // namespace tamsel
