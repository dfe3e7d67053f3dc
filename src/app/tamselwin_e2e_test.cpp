// End-to-end: the built tamselwin started on simulated machines made here,
// its records and exit codes checked byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/end_to_end_fixture.h"

namespace tamsel {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

TEST_F(EndToEnd, DefaultMachineIsUpdatedKeepingEachChipsTables) {
  UseDefaultMachine();
  const std::vector<uint8_t> before0 = Flash(0);
  const std::vector<uint8_t> before1 = Flash(1);

  const TamselwinResult result = Run();

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  ExpectUpdatedKeepingTables(before0, Flash(0));
  ExpectUpdatedKeepingTables(before1, Flash(1));
  EXPECT_EQ(work.Read("result.log"), "Pass\r\n");
  EXPECT_EQ(LogRecords(), (std::vector<std::string>{Record(0, "241224000002", 3, "Pass"),
                                                    Record(1, "241224000002", 4, "Pass")}));
  EXPECT_EQ(work.Read("SampleLog.csv"), DailyLog());
  EXPECT_EQ(HistoryMessages(), (std::vector<std::string>{
                                   "Scan584Dev()+ReadSPIROM: N ms\r",
                                   "OnBnClickedButtonStart() start, uc584Host=2\r",
                                   "Begin to check the file\r",
                                   "Dev[0] Begin to do update\r",
                                   "Dev[0] iUpdate: N ms\r",
                                   "Dev[0]::Update SPI Flash Pass!\r",
                                   "Dev[1] Begin to do update\r",
                                   "Dev[1] iUpdate: N ms\r",
                                   "Dev[1]::Update SPI Flash Pass!\r",
                                   "QOR584xFWUpgrade Success !\r",
                               }));
  EXPECT_NE(result.out.find("QOR584xFWUpgrade Success !"), std::string::npos);
  ExpectNoCarriedFileLeft();
  EXPECT_EQ(WorkFiles().size(), 4u);  // daily log, SampleLog.csv, history.log, result.log

  // A second run finds the new firmware running.
  const TamselwinResult second = Run();
  EXPECT_EQ(second.exitCode, 0);
  const std::vector<std::string> records = LogRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[2], Record(0, "25061300bc00", 3, "Pass"));
  EXPECT_EQ(records[3], Record(1, "25061300bc00", 4, "Pass"));
}

// A working directory longer than the records' 254-character texts: the
// driver service refuses binary paths of more than 260 characters, so the run
// ends through Cancel, and every record lands in that directory itself, not
// in the directory its cut name would give.
TEST_F(EndToEnd, WorkingDirectoryLongerThanTheTextFieldsKeepsItsRecordsInPlace) {
  UseDefaultMachine();
  std::filesystem::path deep = work.dir();
  while (deep.string().size() < 300) {
    deep /= "a-rather-long-directory-name-for-a-production-line";
  }
  std::filesystem::create_directories(deep);
  const TamselwinResult result = RunTamselwin({deep.string(), machine.dir(), {}});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(result.err.find("LoadQorIODriver Error !!"), std::string::npos) << result.err;
  EXPECT_EQ(ScratchDirectory::ReadFile((deep / "result.log").string()), "Fail\r\n");
  for (const std::string& name : kCarriedFiles) {
    EXPECT_FALSE(std::filesystem::exists(deep / name)) << name;
  }
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work.dir())) {
    files += entry.is_regular_file() ? 1u : 0u;
  }
  EXPECT_EQ(files, 1u);  // result.log only
}

TEST_F(EndToEnd, GrantThatNeverComesFailsOnlyThatController) {
  std::vector<ControllerJson> controllers = ControllersAtBuses(2);
  controllers[1].faults = "\"grant\": \"never\"";
  UseMachine(controllers);
  const TamselwinResult result = Run();
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(work.Read("result.log"), "Pass\r\n");
  const std::vector<std::string> records = LogRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].find("\tPass\tPass\t"), std::string::npos) << records[0];
  EXPECT_NE(records[1].find("\tFail\tFail\t"), std::string::npos) << records[1];
  const std::vector<std::string> history = HistoryMessages();
  EXPECT_NE(std::find(history.begin(), history.end(), "Error => Dev[1]::failed, 2\r"), history.end());
}

TEST_F(EndToEnd, EveryControllerFailingGivesFailAndExitCode2) {
  std::vector<ControllerJson> controllers = ControllersAtBuses(2);
  for (ControllerJson& controller : controllers) {
    controller.faults = "\"program_fails\": true";
  }
  UseMachine(controllers);
  const TamselwinResult result = Run({"/S"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(work.Read("result.log"), "Fail\r\n");
  EXPECT_NE(result.err.find("QOR584xFWUpgrade Fail() !"), std::string::npos) << result.err;
  ExpectNoCarriedFileLeft();
}

TEST_F(EndToEnd, VersionReportIsWrittenInsteadOfFlashing) {
  UseDefaultMachine();
  const std::vector<uint8_t> before = Flash(0);
  const TamselwinResult result = Run({"/O"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 18);
  EXPECT_EQ(work.Read("QorxVersion.txt"), "241224000002\r\n241224000002\r\n");
  EXPECT_EQ(Flash(0), before);
  EXPECT_FALSE(std::filesystem::exists(work.Path("result.log")));
}

TEST_F(EndToEnd, VersionRestrictionUpdatesOnlyMatchingFlashes) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* verdict;
    bool updated;
  };
  const Case cases[] = {
      {{"/L", "2412XX000002"}, 0, "Pass\r\n", true},
      {{"/l", "2506XX00BC00"}, 2, "Fail\r\n", false},
  };
  for (const Case& c : cases) {
    ScratchDirectory caseWork;
    ScratchDirectory caseMachine;
    std::string error;
    ASSERT_TRUE(sim::WriteDefaultMachine(caseMachine.dir(), error)) << error;
    const std::string before = caseMachine.Read("dev0.bin");
    const TamselwinResult result = RunTamselwin({caseWork.dir(), caseMachine.dir(), c.arguments});
    ASSERT_FALSE(result.hung);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments[1];
    EXPECT_EQ(caseWork.Read("result.log"), c.verdict) << c.arguments[1];
    EXPECT_EQ(caseMachine.Read("dev0.bin") != before, c.updated) << c.arguments[1];
    if (!c.updated) {
      EXPECT_NE(result.err.find("Warning! QOR584xFWUpgrade Mismatch! strLimitFWVer[2506XX00BC00], "
                                "strFW[241224000002]"),
                std::string::npos)
          << result.err;
    }
  }
}

// A controller the restriction refuses was not worked on: the log says
// "None" for it, not "Fail", beside the one that was updated; the verdict
// counts only the worked-on one.
TEST_F(EndToEnd, ControllerRefusedByTheRestrictionIsLoggedAsNotWorkedOn) {
  UseDefaultMachine();
  std::vector<uint8_t> carried = BuildImage();
  carried.resize(Flash(1).size(), 0xFF);
  machine.Write("dev1.bin", std::string(carried.begin(), carried.end()));
  const std::vector<uint8_t> before = Flash(0);

  const TamselwinResult result = Run({"/L", "2506XX00BC00"});

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Flash(0), before);
  EXPECT_EQ(LogRecords(), (std::vector<std::string>{Record(0, "241224000002", 3, "None"),
                                                    Record(1, "25061300bc00", 4, "Pass")}));
  const std::vector<std::string> history = HistoryMessages();
  EXPECT_TRUE(std::none_of(history.begin(), history.end(), [](const std::string& line) {
    return line.find("Error =>") != std::string::npos;
  }));
}

// A machine file the simulator cannot read: the operator is told why the
// driver did not load, on standard error and in the message box's second line.
TEST_F(EndToEnd, DriverThatCannotLoadSaysWhy) {
  machine.Write("machine.json", "{\"controllers\": [ {\"location\": ");
  std::string machineError;
  ASSERT_EQ(sim::LoadMachine(machine.dir(), machineError), nullptr);

  const TamselwinResult result = Run({"/DBG:1"});

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 2) << result.err;
  const std::string reason = "cannot start the service QORIO: " + machineError;
  const std::vector<std::string> lines = Lines(result.err);
  // Its own line on standard error, and the message box's two lines.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "LoadQorIODriver Error !! " + reason), lines.end())
      << result.err;
  const auto box = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.ends_with(": LoadQorIODriver Error !!");
  });
  ASSERT_NE(box, lines.end()) << result.err;
  ASSERT_NE(box + 1, lines.end());
  EXPECT_EQ(box[1], reason);
  EXPECT_TRUE(
      std::regex_search(result.err, std::regex(R"(ERR::CTamselDlg::OnInitDialog:\d+: LoadQorIODriver)")))
      << result.err;
  EXPECT_EQ(work.Read("result.log"), "Fail\r\n");
  ExpectNoCarriedFileLeft();
}

TEST_F(EndToEnd, RestrictionWithoutVersionQuitsWith18) {
  UseDefaultMachine();
  const TamselwinResult result = Run({"/L"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 18);
  EXPECT_NE(result.err.find("Please Input FW Version!!"), std::string::npos) << result.err;
}

TEST_F(EndToEnd, UsageEndsWithExitCode1AndWritesNothing) {
  UseDefaultMachine();
  const TamselwinResult result = Run({"/s", "/?"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Usage: QOR584x TamselWin.exe [/? | /O | /DBG]"), std::string::npos)
      << result.err;
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(EndToEnd, SilentRunWithoutControllersEndsWithFailInsteadOfHanging) {
  UseMachine({});
  const TamselwinResult result = Run({"/S"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(work.Read("result.log"), "Fail\r\n");
  EXPECT_NE(result.err.find("Can not find QOR584x !!"), std::string::npos) << result.err;
  ExpectNoCarriedFileLeft();
}

TEST_F(EndToEnd, TraceLevel3WritesMessageLinesToStandardError) {
  UseDefaultMachine();
  const TamselwinResult result = Run({"/dbg:3"});
  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(std::regex_search(result.err, std::regex(R"(MSG::CTamselDlg::InitDevProcess:\d+: Scan584Dev)")))
      << result.err;
  EXPECT_NE(result.err.find("MSG::CTamselDlg::OnInitDialog:"), std::string::npos);
}

TEST_F(EndToEnd, RealBusWithoutControllersEndsThroughCancel) {
  const TamselwinResult result = RunTamselwin({work.dir(), "", {}});
  ASSERT_FALSE(result.hung);
  if (result.err.find("Another TamselWin is already working on this machine") != std::string::npos) {
    GTEST_SKIP() << "another instance holds the real bus of this machine";
  }
  const bool noController = result.err.find("Can not find QOR584x !!") != std::string::npos;
  const bool noDriver = result.err.find("LoadQorIODriver Error !!") != std::string::npos;
  if (!noController && !noDriver) {
    GTEST_SKIP() << "this machine has a supported controller";
  }
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(work.Read("result.log"), "Fail\r\n");
  ExpectNoCarriedFileLeft();
  if (noDriver && geteuid() != 0) {
    EXPECT_NE(result.err.find("(the driver needs root)"), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace tamsel
