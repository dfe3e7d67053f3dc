#include <csignal>

#include "platform/outside_signals.h"

namespace tamsel {

void IgnoreOutsideSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGHUP, SIG_IGN);
}

}  // namespace tamsel
