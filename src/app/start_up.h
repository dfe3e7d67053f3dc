#pragma once
// The start-up sequence of the main dialog (OnInitDialog): the command line,
// the trace level, the carried files, the settings, the driver, the first
// scan, and then either the automatic run or the dialog left to an operator.

#include <string>
#include <vector>

#include "app/start_up_dialog.h"
#include "run/production_state.h"

namespace tamsel {

inline constexpr const char* kWindowTitle = "QOR584x Mass Production Tool Ver 2, 0, 5, 1";
inline constexpr int kExitUsageShown = 1;
inline constexpr int kExitQuitRequested = 18;

// The command-line text as start-up leaves it (process-wide).
extern std::string g_strInitCmd;

// Runs start-up with the arguments after the program name.
void RunStartUp(const std::vector<std::string>& arguments, ProductionState& state, StartUpDialog& dialog);

}  // namespace tamsel
