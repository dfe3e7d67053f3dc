// End-to-end: one instance per machine. A start while another instance holds
// the machine ends at once and touches nothing; the lock dies with its holder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/end_to_end_fixture.h"
#include "platform/instance_lock.h"
#include "sim/simulated_platform.h"

namespace tamsel {
namespace {

class SecondInstance : public EndToEnd {
 protected:
  void SetUp() override {
    UseDefaultMachine();
    flashBefore = Flash(0);
  }
  std::string LockName() const { return machine.Path(sim::kMachineLockFileName); }
  void ExpectRefusedTouchingNothing(const TamselwinResult& result) {
    ASSERT_FALSE(result.hung);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Another TamselWin is already working on this machine (it holds " + LockName() +
                              "); this start changes nothing."),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(WorkFiles().empty());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Flash(0), flashBefore);
  }

  std::vector<uint8_t> flashBefore;
};

TEST_F(SecondInstance, EndsAtOnceWritingNothingWhileTheMachineIsHeld) {
  const InstanceLockAttempt held = TryLockInstance(LockName());
  ASSERT_TRUE(held.lock) << held.error;
  const TamselwinResult result = Run({"/CMD", "/dbg:1"});
  ExpectRefusedTouchingNothing(result);
  EXPECT_NE(result.err.find("ERR::CTamselDlg::OnInitDialog:"), std::string::npos) << result.err;
}

TEST_F(SecondInstance, StillShowsItsUsage) {
  const InstanceLockAttempt held = TryLockInstance(LockName());
  ASSERT_TRUE(held.lock) << held.error;
  const TamselwinResult result = Run({"/CMD", "/?"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Usage: QOR584x TamselWin.exe"), std::string::npos) << result.err;
  EXPECT_TRUE(WorkFiles().empty());
}

// A holder killed without a chance to clean up leaves no lock behind.
TEST_F(SecondInstance, HolderKilledWithSigkillReleasesTheMachine) {
  int ready[2] = {-1, -1};
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const InstanceLockAttempt held = TryLockInstance(LockName());
    const char taken = held.lock ? 'y' : 'n';
    if (write(ready[1], &taken, 1) != 1) {
      _exit(1);
    }
    for (;;) {
      pause();
    }
  }
  close(ready[1]);
  char taken = 0;
  ASSERT_EQ(read(ready[0], &taken, 1), 1);
  close(ready[0]);
  ASSERT_EQ(taken, 'y');

  ExpectRefusedTouchingNothing(Run({"/S"}));

  kill(holder, SIGKILL);
  int status = 0;
  waitpid(holder, &status, 0);
  const TamselwinResult result = Run({"/S"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(work.Read("result.log"), "Pass\r\n");
}

}  // namespace
}  // namespace tamsel
