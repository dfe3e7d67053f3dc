#pragma once
// The run ("Start", and start-up's automatic run): the firmware file checked
// once, every selected device erased and/or updated in table order, each
// outcome shown and logged, and in automatic mode the verdict and the end.

#include "run/production_state.h"
#include "run/run_dialog.h"

namespace tamsel {

void OnBnClickedButtonStart(ProductionState& state, RunDialog& dialog);

// Writes every listed device's outcome message into its "Status" cell.
void vShowDeviceStatus(const ProductionState& state, RunDialog& dialog);

}  // namespace tamsel
