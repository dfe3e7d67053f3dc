#pragma once
// The controls that a scan or a run disables and afterwards enables again.
// The list and the progress bar stay usable throughout.

#include <span>

#include "ui/view.h"

namespace tamsel {

// Disabled for the work: file, operation boxes, Rescan, Start, the sixteen
// Dev boxes, OK, Cancel, Check FW, Clear, Select All.
std::span<const ControlId> ControlsDisabledDuringWork();

// Enabled afterwards: the same set without the Dev boxes (the callers refresh
// those with vRefreshDevCheckBoxes).
std::span<const ControlId> ControlsEnabledAfterWork();

}  // namespace tamsel
