#pragma once
// The ways the dialog ends its work on the machine: the Accept path (OK),
// the Cancel path, and the end of an automatic run, which share the driver
// unload, the removal of the carried files and the verdict file. Each
// records the ending the exit code is taken from.

#include "run/production_state.h"

namespace tamsel {

// Settings stored, driver unloaded, carried files removed; the ending is the
// operator's accept.
void vAcceptPath(ProductionState& state);

// Driver unloaded, carried files removed, "Fail" written to the result file
// unless an automatic run has passed.
void vCancelPath(ProductionState& state);

// Writes the verdict of the overall pass flag to result.log and records it
// as the ending. A result file that cannot be written is reported on
// standard error and in the error trace; the verdict stands all the same.
void vWriteVerdict(ProductionState& state);

}  // namespace tamsel
