#include "ui/operation_rules.h"

#include <gtest/gtest.h>

#include "ui/fake_view.h"

namespace tamsel {
namespace {

using C = ControlId;

struct Boxes {
  bool erase, regTable, update, cct, frt;
};

struct Flags {
  uint8_t erase, update, cct, frt, regTable;
  friend bool operator==(const Flags&, const Flags&) = default;
};

Flags FlagsOf(const IniSettings& ini) {
  return {ini.erase_all_content_of_spi_flash_rom_only, ini.update_qor_584_spi_flash_rom,
          ini.dont_update_customer_configuration_table, ini.dont_update_firmware_record_table,
          ini.update_qor_584_spi_flash_rom_register_table_only};
}

void SetFlags(IniSettings& ini, Flags flags) {
  ini.erase_all_content_of_spi_flash_rom_only = flags.erase;
  ini.update_qor_584_spi_flash_rom = flags.update;
  ini.dont_update_customer_configuration_table = flags.cct;
  ini.dont_update_firmware_record_table = flags.frt;
  ini.update_qor_584_spi_flash_rom_register_table_only = flags.regTable;
}

// Starts from boxes and flags, toggles one box as a click does and applies its rule.
struct Click {
  const char* name;
  Boxes before;
  Flags flagsBefore;
  C box;
  Boxes after;
  Flags flagsAfter;
  bool cctEnabled;
  bool frtEnabled;
};

TEST(OperationRules, EachClickAppliesItsRowOfTheTable) {
  const Click clicks[] = {
      {"erase ticked",
       {false, false, true, true, true},
       {0, 1, 1, 1, 0},
       C::kCheckErase,
       {true, false, false, false, false},
       {1, 0, 0, 0, 0},
       false,
       false},
      {"erase unticked with update still on",
       {true, false, true, false, false},
       {1, 1, 0, 0, 0},
       C::kCheckErase,
       {false, false, false, false, false},
       {0, 1, 0, 0, 0},
       false,
       false},
      {"register table ticked",
       {true, false, false, false, false},
       {1, 0, 0, 0, 0},
       C::kCheckRegTable,
       {false, true, false, false, false},
       {0, 0, 0, 0, 1},
       false,
       false},
      {"register table unticked changes only its flag",
       {false, true, false, false, false},
       {0, 0, 0, 0, 1},
       C::kCheckRegTable,
       {false, false, false, false, false},
       {0, 0, 0, 0, 0},
       true,
       true},
      {"update ticked leaves table boxes as they were",
       {true, false, false, false, false},
       {1, 0, 1, 1, 0},
       C::kCheckUpdate,
       {false, false, true, false, false},
       {0, 1, 0, 0, 0},
       true,
       true},
      {"update unticked",
       {false, false, true, true, true},
       {0, 1, 1, 1, 0},
       C::kCheckUpdate,
       {false, false, false, false, false},
       {0, 0, 0, 0, 0},
       false,
       false},
      {"customer table ticked",
       {false, false, true, false, false},
       {0, 1, 0, 0, 0},
       C::kCheckCustTable,
       {false, false, true, true, false},
       {0, 1, 1, 0, 0},
       true,
       true},
      {"record table unticked",
       {false, false, true, true, true},
       {0, 1, 1, 1, 0},
       C::kCheckFwRecTable,
       {false, false, true, true, false},
       {0, 1, 1, 0, 0},
       true,
       true},
  };
  for (const Click& click : clicks) {
    FakeView view;
    IniSettings ini;
    SetFlags(ini, click.flagsBefore);
    const std::pair<C, bool> before[] = {{C::kCheckErase, click.before.erase},
                                         {C::kCheckRegTable, click.before.regTable},
                                         {C::kCheckUpdate, click.before.update},
                                         {C::kCheckCustTable, click.before.cct},
                                         {C::kCheckFwRecTable, click.before.frt}};
    for (const auto& [id, ticked] : before) {
      view.SetChecked(id, ticked);
    }
    view.SetChecked(click.box, !view.IsChecked(click.box));
    const OperationRule* rule = FindOperationRule(click.box, view.IsChecked(click.box));
    ASSERT_NE(rule, nullptr) << click.name;
    ApplyOperationRule(*rule, view, ini);
    EXPECT_EQ(view.IsChecked(C::kCheckErase), click.after.erase) << click.name;
    EXPECT_EQ(view.IsChecked(C::kCheckRegTable), click.after.regTable) << click.name;
    EXPECT_EQ(view.IsChecked(C::kCheckUpdate), click.after.update) << click.name;
    EXPECT_EQ(view.IsChecked(C::kCheckCustTable), click.after.cct) << click.name;
    EXPECT_EQ(view.IsChecked(C::kCheckFwRecTable), click.after.frt) << click.name;
    EXPECT_EQ(FlagsOf(ini), click.flagsAfter) << click.name;
    EXPECT_EQ(view.IsEnabled(C::kCheckCustTable), click.cctEnabled) << click.name;
    EXPECT_EQ(view.IsEnabled(C::kCheckFwRecTable), click.frtEnabled) << click.name;
    EXPECT_TRUE(view.IsEnabled(C::kCheckUpdate)) << click.name;
  }
}

TEST(OperationRules, NoRuleForOtherControls) {
  EXPECT_EQ(FindOperationRule(C::kStart, true), nullptr);
  EXPECT_EQ(FindOperationRule(DevCheckBox(3), true), nullptr);
}

TEST(OperationRules, SyncFollowsTheUpdateFlag) {
  FakeView view;
  IniSettings ini;
  SetFlags(ini, {0, 1, 1, 0, 0});
  SyncUpdateBoxes(view, ini);
  EXPECT_TRUE(view.IsChecked(C::kCheckUpdate));
  EXPECT_TRUE(view.IsChecked(C::kCheckCustTable));
  EXPECT_FALSE(view.IsChecked(C::kCheckFwRecTable));
  EXPECT_TRUE(view.IsEnabled(C::kCheckFwRecTable));

  SetFlags(ini, {0, 0, 1, 1, 0});
  SyncUpdateBoxes(view, ini);
  EXPECT_FALSE(view.IsChecked(C::kCheckUpdate));
  EXPECT_FALSE(view.IsChecked(C::kCheckCustTable));
  EXPECT_FALSE(view.IsEnabled(C::kCheckCustTable));
  EXPECT_FALSE(view.IsEnabled(C::kCheckFwRecTable));
  EXPECT_EQ(FlagsOf(ini), (Flags{0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace tamsel
