#include "platform/outside_signals.h"

#include <gtest/gtest.h>

#include <csignal>

namespace tamsel {
namespace {

// Either signal would end the process by default; once ignored, the process
// goes on (a test that fails here ends the test program).
TEST(IgnoreOutsideSignals, HangUpAndBrokenPipeNoLongerEndTheProcess) {
  IgnoreOutsideSignals();
  for (const int signal : {SIGHUP, SIGPIPE}) {
    EXPECT_EQ(std::raise(signal), 0) << signal;
  }
}

}  // namespace
}  // namespace tamsel
