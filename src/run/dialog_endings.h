#pragma once
// The ways the dialog ends its work on the machine: the Accept path (OK),
// the Cancel path, and the end of an automatic run, which share the driver
// unload, the removal of the carried files and the verdict file.

#include "run/production_state.h"

namespace tamsel {

// Settings stored, driver unloaded, carried files removed.
void vAcceptPath(const ProductionState& state);

// Driver unloaded, carried files removed, "Fail" written to the result file
// unless an automatic run has passed.
void vCancelPath(const ProductionState& state);

}  // namespace tamsel
