#pragma once
// The process's exit code where the program sets none of its own: 2 when the
// run's result file says "Fail", else 0.

#include <string>

namespace tamsel {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailVerdict = 2;

int ExitCodeFromResultFile(const std::string& startDirectory);

}  // namespace tamsel
