#pragma once
// Keeps signals from outside the run from ending it half-way through a flash:
// a closed output pipe or terminal (SIGPIPE) and a hang-up (SIGHUP) are
// ignored for the program's life. Writes to a closed standard output then
// simply fail, and the writers drop them. A no-op where the system sends
// no such signals.

namespace tamsel {

// Called first thing in main, before anything is written.
void IgnoreOutsideSignals();

}  // namespace tamsel
