#pragma once
// The rules that tie the operation check boxes (1002 erase only, 1003
// register table only, 1004 update, 1005/1006 its two table options) to each
// other and to the settings flags, as a table of data.

#include <vector>

#include "files/ini_settings.h"
#include "ui/view.h"

namespace tamsel {

enum class FlagChange { kKeep, kClear, kSet, kFromBox };

// The five operation flags of the settings, in this order.
enum OperationFlag { kEraseOnly, kUpdate, kKeepCct, kKeepFrt, kRegisterTableOnly, kOperationFlagCount };

struct OperationRule {
  ControlId box;
  bool ticked;  // the box's state after it toggled itself
  std::vector<ControlId> untick;
  std::vector<ControlId> enable;
  std::vector<ControlId> disable;
  FlagChange flags[kOperationFlagCount];
};

// The rule for a click on an operation box in its new state; nullptr when the
// control is not an operation box.
const OperationRule* FindOperationRule(ControlId box, bool ticked);

// Applies a rule to the view's boxes and the settings' flags.
void ApplyOperationRule(const OperationRule& rule, View& view, IniSettings& ini);

// Ticks 1004-1006 from the flags: with the update flag on, 1004 ticked, 1005 and
// 1006 enabled and ticked by their flags; otherwise all three unticked, 1005
// and 1006 disabled and both table flags cleared.
void SyncUpdateBoxes(View& view, IniSettings& ini);

}  // namespace tamsel
