// End-to-end: the files in the working directory are the program's own, and
// only them. A symbolic link named like a carried file or a record is never
// written through, and a FIFO of such a name never hangs the program: each
// ends as a file that cannot be written ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "app/end_to_end_fixture.h"
#include "files/production_log.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

// The day's log name of the local date.
std::string TodaysLogName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[32];
  std::strftime(name, sizeof name, "%Y%m%d.log", &local);
  return name;
}

enum class Intruder { kLinkOutside, kFifo };

struct IntruderCase {
  const char* name;  // the working-directory file it stands in for
  Intruder intruder;
  int exitCode;
  const char* said;  // on standard error (trace level 3); "" for a failure the program keeps silent
};

std::string CaseName(const testing::TestParamInfo<IntruderCase>& info) {
  std::string name = info.param.name;
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return std::isalnum(c) == 0; }),
             name.end());
  return name + (info.param.intruder == Intruder::kFifo ? "Fifo" : "Link");
}

class IntruderInWorkingDirectory : public EndToEnd, public testing::WithParamInterface<IntruderCase> {};

TEST_P(IntruderInWorkingDirectory, IsNeitherWrittenThroughNorWaitedOn) {
  const IntruderCase& c = GetParam();
  const std::string name = std::string(c.name) == "daily log" ? TodaysLogName() : c.name;
  UseDefaultMachine();
  ScratchDirectory elsewhere;
  elsewhere.Write("precious", "not the program's");
  if (c.intruder == Intruder::kLinkOutside) {
    fs::create_symlink(elsewhere.Path("precious"), work.Path(name));
  } else {
    ASSERT_EQ(mkfifo(work.Path(name).c_str(), 0600), 0);
  }

  const TamselwinResult result = RunTamselwin({work.dir(), machine.dir(), {"/S", "/dbg:3"}});

  ASSERT_FALSE(result.hung) << name;
  EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
  EXPECT_EQ(elsewhere.Read("precious"), "not the program's");
  const std::string said = std::string(c.said).empty() ? "" : work.Path(name) + c.said;
  EXPECT_NE(result.err.find(said), std::string::npos) << said << "\n" << result.err;
  ExpectNoCarriedFileLeft();
}

// What each failure says is the trace the program writes for that file when
// it cannot be written: the carried files' write failure, the daily log's
// append failure; history.log and result.log fail silently, and a result.log
// of any kind is deleted at start-up like any old verdict.
const IntruderCase kCases[] = {
    {"584upd.ini", Intruder::kLinkOutside, 2, ". Reason: Too many levels of symbolic links"},
    {"QorIo.sys", Intruder::kLinkOutside, 2, ". Reason: Too many levels of symbolic links"},
    {"1300BC00.ROM", Intruder::kLinkOutside, 2, ". Reason: Too many levels of symbolic links"},
    {"history.log", Intruder::kLinkOutside, 0, ""},
    {"daily log", Intruder::kLinkOutside, 0, " , dwErrorCode 40"},
    {"result.log", Intruder::kLinkOutside, 0, ""},
    {"584upd.ini", Intruder::kFifo, 2, ". Reason: No such device or address"},
    {"QorIo.sys", Intruder::kFifo, 2, ". Reason: No such device or address"},
    {"1300BC00.ROM", Intruder::kFifo, 2, ". Reason: No such device or address"},
    {"history.log", Intruder::kFifo, 0, ""},
    {"daily log", Intruder::kFifo, 0, " , dwErrorCode 6"},
    {"result.log", Intruder::kFifo, 0, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, IntruderInWorkingDirectory, testing::ValuesIn(kCases), CaseName);

// A day's log that exists but cannot be read (write-only) is neither emptied
// nor given a new header: it keeps its bytes, and the run's outcome stands.
TEST_F(EndToEnd, DailyLogThatCannotBeReadKeepsEveryByte) {
  UseDefaultMachine();
  const std::string name = TodaysLogName();
  const std::string earlier = std::string(kProductionLogHeader) + "earlier\trecords\r\n";
  work.Write(name, earlier);
  fs::permissions(work.Path(name), fs::perms::owner_write);

  const TamselwinResult result = Run({"/S", "/dbg:3"});

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("strLogFilePath : " + work.Path(name) + " , dwErrorCode 13"), std::string::npos)
      << result.err;
  fs::permissions(work.Path(name), fs::perms::owner_read);
  EXPECT_EQ(work.Read(name), earlier);
  EXPECT_FALSE(fs::exists(work.Path("SampleLog.csv")));
  EXPECT_EQ(work.Read("result.log"), "Pass\r\n");
}

}  // namespace
}  // namespace tamsel
