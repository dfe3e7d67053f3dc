#pragma once
// The reader's key table: every key the settings file may hold, in the order
// the reader tries them, and what a matching line does.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/ini_settings.h"

namespace tamsel {

enum class IniKeyKind {
  kIgnored,             // recognised, value not taken ("ini path")
  kTitle,               // a section title, no effect
  kText,                // the value replaces a text field
  kNumber,              // the value's low 8 bits go into a flag
  kRestrictionSwitch,   // a number for ucEnArgs and m_bLimitFWVer
  kRestrictionVersion,  // a text for ucArgs and strLimitFWVer
};

struct IniKey {
  std::string name;
  IniKeyKind kind = IniKeyKind::kIgnored;
  FixedText IniSettings::*text = nullptr;
  uint8_t IniSettings::*flag = nullptr;
  int device = -1;  // DEV n keys: the slot; their flag lives in the DEV array
};

const std::vector<IniKey>& IniKeyTable();

// The first key equal to the name without regard to letter case, or null.
const IniKey* FindIniKey(std::string_view name);

// The flag a number key sets, or null for other kinds.
uint8_t* IniKeyFlag(IniSettings& ini, const IniKey& key);

}  // namespace tamsel
