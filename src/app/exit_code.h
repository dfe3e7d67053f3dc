#pragma once
// The process's exit code where the program sets none of its own (/?, /O and
// a refused /L set theirs): taken from what the program decided, never read
// back from a file. 0 only for a run that passed or an operator's accept;
// 2 for a "Fail" verdict (written or not) and for anything else.

#include "run/production_state.h"

namespace tamsel {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailVerdict = 2;
// A start refused because another instance works on the same machine.
inline constexpr int kExitAnotherInstance = 2;

int ExitCodeForEnding(RunEnding ending);

}  // namespace tamsel
