// End-to-end: the exit code is the verdict the program decided, never what a
// file on disk says, and a verdict that cannot be written is reported.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/end_to_end_fixture.h"
#include "files/small_tmpfs.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

std::vector<ControllerJson> FailingControllers(std::size_t count) {
  std::vector<ControllerJson> controllers = ControllersAtBuses(count);
  for (ControllerJson& controller : controllers) {
    controller.faults = "\"program_fails\": true";
  }
  return controllers;
}

std::string CannotWriteFail(const std::string& directory) {
  return "Cannot write \"Fail\" to " + directory + "/result.log: ";
}

// A stale read-only verdict "Pass" can be neither deleted nor replaced: the
// failing run still exits 2 and says why the file still reads "Pass".
TEST_F(EndToEnd, StaleReadOnlyPassVerdictDoesNotMakeAFailingRunPass) {
  UseMachine(FailingControllers(1));
  work.Write("result.log", "Pass\r\n");
  fs::permissions(work.Path("result.log"), fs::perms::owner_read);

  const TamselwinResult result = Run({"/S"});

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_EQ(work.Read("result.log"), "Pass\r\n");
  EXPECT_NE(result.err.find("Cannot delete " + work.Path("result.log") + " left from an earlier start: "),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find(CannotWriteFail(work.dir())), std::string::npos) << result.err;
  EXPECT_EQ(HistoryMessages().back(), "QOR584xFWUpgrade Fail() !\r");
}

// A working directory the program cannot write in. A read-only or full file
// system stops root too: the driver cannot even be written, the run ends
// through Cancel and its "Fail" cannot be recorded. A directory removed while
// the boards fail is found only when the verdict is written.
enum class Unwritable { kReadOnlyFileSystem, kFullFileSystem, kRemovedMidRun };

class UnwritableWorkingDirectory : public EndToEnd, public testing::WithParamInterface<Unwritable> {};

TEST_P(UnwritableWorkingDirectory, EndsWithExitCode2AndSaysTheVerdictWasNotWritten) {
  SmallTmpfs disk("size=64k");
  std::string directory = disk.dir();
  TamselwinLaunch launch;
  bool removed = false;
  switch (GetParam()) {
    case Unwritable::kReadOnlyFileSystem:
      if (!disk.MakeReadOnly()) {
        GTEST_SKIP() << "cannot mount a read-only tmpfs here";
      }
      UseDefaultMachine();
      break;
    case Unwritable::kFullFileSystem:
      if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here";
      }
      disk.Fill();
      UseDefaultMachine();
      break;
    case Unwritable::kRemovedMidRun:
      // Two failing boards write more after the first update begins than
      // the watched pipe lets the program run ahead (some 5.7 KB against a
      // page and a piece), so the directory is surely gone before the run
      // reaches its verdict. The program may be creating a file meanwhile:
      // removal is tried until the directory is gone.
      UseMachine(FailingControllers(2));
      directory = work.dir();
      launch.timeLimitSeconds = 300;
      launch.watchOutput = [&directory, &removed](const std::string& out) {
        if (!removed && out.find("Dev[0] Begin to do update") != std::string::npos) {
          std::error_code code;
          for (int attempt = 0; attempt < 100 && fs::exists(directory, code); ++attempt) {
            fs::remove_all(directory, code);
          }
          removed = !fs::exists(directory, code);
        }
        return true;
      };
      break;
  }
  launch.workDirectory = directory;
  launch.machineDirectory = machine.dir();
  launch.arguments = {"/CMD", "/S"};

  const TamselwinResult result = RunTamselwin(launch);

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(result.err.find(CannotWriteFail(directory)), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(directory + "/result.log"));
  if (GetParam() == Unwritable::kRemovedMidRun) {
    EXPECT_TRUE(removed);
    EXPECT_NE(result.out.find("QOR584xFWUpgrade Fail() !"), std::string::npos);
  } else {
    EXPECT_NE(result.err.find("LoadQorIODriver Error !!"), std::string::npos) << result.err;
  }
}

std::string CaseName(const testing::TestParamInfo<Unwritable>& info) {
  static const char* const kNames[] = {"ReadOnlyFileSystem", "FullFileSystem", "RemovedMidRun"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Cases, UnwritableWorkingDirectory,
                         testing::Values(Unwritable::kReadOnlyFileSystem, Unwritable::kFullFileSystem,
                                         Unwritable::kRemovedMidRun),
                         CaseName);

}  // namespace
}  // namespace tamsel
