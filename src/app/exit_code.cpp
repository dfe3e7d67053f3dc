#include "app/exit_code.h"

namespace tamsel {

int ExitCodeForEnding(RunEnding ending) {
  return ending == RunEnding::kPassed || ending == RunEnding::kAccepted ? kExitSuccess : kExitFailVerdict;
}

}  // namespace tamsel
