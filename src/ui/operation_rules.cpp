#include "ui/operation_rules.h"

#include <array>

namespace tamsel {

namespace {

using C = ControlId;
constexpr FlagChange K = FlagChange::kKeep;
constexpr FlagChange Z = FlagChange::kClear;
constexpr FlagChange S = FlagChange::kSet;
constexpr FlagChange B = FlagChange::kFromBox;

// flags: erase only, update, CCT, FRT, register table only.
const std::array<OperationRule, 10> kRules = {{
    {C::kCheckErase,
     true,
     {C::kCheckUpdate, C::kCheckRegTable, C::kCheckCustTable, C::kCheckFwRecTable},
     {},
     {C::kCheckCustTable, C::kCheckFwRecTable},
     {S, Z, Z, Z, Z}},
    {C::kCheckErase,
     false,
     {C::kCheckUpdate, C::kCheckCustTable, C::kCheckFwRecTable},
     {C::kCheckUpdate},
     {C::kCheckCustTable, C::kCheckFwRecTable},
     {Z, K, K, K, K}},
    {C::kCheckRegTable,
     true,
     {C::kCheckErase, C::kCheckUpdate, C::kCheckCustTable, C::kCheckFwRecTable},
     {},
     {C::kCheckCustTable, C::kCheckFwRecTable},
     {Z, Z, Z, Z, S}},
    {C::kCheckRegTable, false, {}, {}, {}, {K, K, K, K, Z}},
    {C::kCheckUpdate,
     true,
     {C::kCheckErase, C::kCheckRegTable},
     {C::kCheckCustTable, C::kCheckFwRecTable},
     {},
     {Z, S, Z, Z, Z}},
    {C::kCheckUpdate,
     false,
     {C::kCheckCustTable, C::kCheckFwRecTable},
     {},
     {C::kCheckCustTable, C::kCheckFwRecTable},
     {K, Z, Z, Z, K}},
    {C::kCheckCustTable, true, {}, {}, {}, {K, K, B, K, K}},
    {C::kCheckCustTable, false, {}, {}, {}, {K, K, B, K, K}},
    {C::kCheckFwRecTable, true, {}, {}, {}, {K, K, K, B, K}},
    {C::kCheckFwRecTable, false, {}, {}, {}, {K, K, K, B, K}},
}};

// The settings flag of each OperationFlag.
constexpr std::array<uint8_t IniSettings::*, kOperationFlagCount> kFlagFields = {
    &IniSettings::erase_all_content_of_spi_flash_rom_only,
    &IniSettings::update_qor_584_spi_flash_rom,
    &IniSettings::dont_update_customer_configuration_table,
    &IniSettings::dont_update_firmware_record_table,
    &IniSettings::update_qor_584_spi_flash_rom_register_table_only,
};

}  // namespace

const OperationRule* FindOperationRule(ControlId box, bool ticked) {
  for (const OperationRule& rule : kRules) {
    if (rule.box == box && rule.ticked == ticked) {
      return &rule;
    }
  }
  return nullptr;
}

void ApplyOperationRule(const OperationRule& rule, View& view, IniSettings& ini) {
  for (ControlId id : rule.untick) {
    view.SetChecked(id, false);
  }
  for (ControlId id : rule.enable) {
    view.SetEnabled(id, true);
  }
  for (ControlId id : rule.disable) {
    view.SetEnabled(id, false);
  }
  for (int flag = 0; flag < kOperationFlagCount; ++flag) {
    switch (rule.flags[flag]) {
      case FlagChange::kKeep:
        break;
      case FlagChange::kClear:
        ini.*kFlagFields[flag] = 0;
        break;
      case FlagChange::kSet:
        ini.*kFlagFields[flag] = 1;
        break;
      case FlagChange::kFromBox:
        ini.*kFlagFields[flag] = rule.ticked ? 1 : 0;
        break;
    }
  }
}

void SyncUpdateBoxes(View& view, IniSettings& ini) {
  if (ini.update_qor_584_spi_flash_rom == 1) {
    view.SetChecked(ControlId::kCheckUpdate, true);
    view.SetEnabled(ControlId::kCheckCustTable, true);
    view.SetEnabled(ControlId::kCheckFwRecTable, true);
    view.SetChecked(ControlId::kCheckCustTable, ini.dont_update_customer_configuration_table == 1);
    view.SetChecked(ControlId::kCheckFwRecTable, ini.dont_update_firmware_record_table == 1);
    return;
  }
  for (ControlId id : {ControlId::kCheckUpdate, ControlId::kCheckCustTable, ControlId::kCheckFwRecTable}) {
    view.SetChecked(id, false);
  }
  view.SetEnabled(ControlId::kCheckCustTable, false);
  view.SetEnabled(ControlId::kCheckFwRecTable, false);
  ini.dont_update_customer_configuration_table = 0;
  ini.dont_update_firmware_record_table = 0;
}

}  // namespace tamsel
