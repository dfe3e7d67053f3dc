#include "run/run_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "imagegen/image_builder.h"
#include "platform/trace_capture.h"
#include "run/device_inventory.h"
#include "run/op_status.h"
#include "run/recording_run_dialog.h"
#include "run/test_machine_json.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

// A scanned simulated machine, a working directory holding the default image
// as "1300BC00.ROM", and the state of an interactive update run over it.
class RunFixture {
 public:
  explicit RunFixture(const std::vector<ControllerJson>& controllers) : machine_(MachineJson(controllers)) {
    EXPECT_EQ(machine_.error(), "");
    g_iOverallPass = 0;
    History().SetDirectory(work.dir());
    History().SetEcho(nullptr);
    const std::vector<uint8_t> image = BuildImage();
    work.Write("1300BC00.ROM", std::string(image.begin(), image.end()));
    state.m_szStartDir = work.dir();
    SetFixedText(state.m_pINI.iniPath, work.Path("584upd.ini"));
    SetFixedText(state.m_pINI.load_fw, work.Path("1300BC00.ROM"));
    state.m_pINI.update_qor_584_spi_flash_rom = 1;
    InitDevProcess(state.devices);
    state.m_pINI.DEV.fill(0);
    for (std::size_t i = 0; i < state.devices.uc584Host; ++i) {
      state.m_pINI.DEV[i] = 1;
    }
  }
  ~RunFixture() {
    History().SetEcho(stdout);
    History().SetDirectory("");
    g_iOverallPass = 0;
  }

  void Run() { OnBnClickedButtonStart(state, dialog); }
  sim::Machine& machine() { return machine_.machine(); }

  // history.log's messages without their stamps.
  std::vector<std::string> HistoryMessages() const {
    std::vector<std::string> messages;
    std::istringstream lines(work.Read("history.log"));
    for (std::string line; std::getline(lines, line);) {
      messages.push_back(line.substr(20, line.size() - 21));
    }
    return messages;
  }
  bool HistoryHas(const std::string& message) const {
    const std::vector<std::string> messages = HistoryMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }

  ScratchDirectory work;
  ProductionState state;
  RecordingRunDialog dialog;

 private:
  sim::TestMachine machine_;
};

std::vector<ControllerJson> WithFaultAt(std::size_t count, std::size_t index, const std::string& faults) {
  std::vector<ControllerJson> controllers = ControllersAtBuses(count);
  controllers[index].faults = faults;
  return controllers;
}

TEST(RunController, TwoDevicesShowRunningThenPass) {
  RunFixture run(ControllersAtBuses(2));
  run.Run();
  using Status = std::pair<int, RecordedCell>;
  EXPECT_EQ(run.dialog.statusHistory,
            (std::vector<Status>{{0, {"Running...", CellKind::kPass}},
                                 {1, {"Running...", CellKind::kPass}},
                                 {0, {"Update SPI flash ROM pass.", CellKind::kPass}},
                                 {1, {"Update SPI flash ROM pass.", CellKind::kPass}}}));
  EXPECT_EQ(run.dialog.pumps, 4);
  EXPECT_EQ(run.dialog.progress,
            (std::vector<RecordedProgress>{{2, false, 0}, {2, false, 1}, {2, false, 2}}));
  EXPECT_EQ(run.dialog.events, (std::vector<std::string>{"disable", "enable"}));
  EXPECT_EQ(run.dialog.refreshModes, (std::vector<int>{kDevBoxesAfterScan}));
  EXPECT_TRUE(run.dialog.endResults.empty());
  EXPECT_TRUE(run.HistoryHas("Dev[1]::Update SPI Flash Pass!"));
  EXPECT_TRUE(run.work.Read("584upd.ini").find("update_qor_584_spi_flash_rom=1") != std::string::npos);
}

TEST(RunController, SecondOfThreeFailingTurnsTheBarRed) {
  RunFixture run(WithFaultAt(3, 1, "\"program_fails\": true"));
  run.Run();
  EXPECT_EQ(run.dialog.progress,
            (std::vector<RecordedProgress>{{3, false, 0}, {3, false, 1}, {3, true, 2}, {3, true, 3}}));
  EXPECT_EQ(run.dialog.Cell(1, kStatusColumn), (RecordedCell{"Update SPI flash ROM fail.", CellKind::kFail}));
  EXPECT_EQ(run.dialog.Cell(2, kStatusColumn), (RecordedCell{"Update SPI flash ROM pass.", CellKind::kPass}));
  EXPECT_TRUE(run.HistoryHas("Error => Dev[1]::failed, 9"));
}

TEST(RunController, AControllerWhosePowerStateWalkNeverEndsFailsToOpenAndTheRunGoesOn) {
  const struct {
    const char* name;
    void (*breakFunction)(sim::PciFunction& function);
  } cases[] = {
      {"stopped answering", [](sim::PciFunction& f) { f.StopAnswering(); }},
      {"capability list loops", [](sim::PciFunction& f) { f.StoreConfigByte(0x51, 0x50); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunFixture run(ControllersAtBuses(2));
    c.breakFunction(run.machine().ControllerFunction(0));
    run.Run();
    EXPECT_EQ(run.state.devices.slots[0].status, op_status::kInitControllerFail);
    EXPECT_EQ(run.dialog.Cell(0, kStatusColumn),
              (RecordedCell{"Init SPI controller fail.", CellKind::kFail}));
    EXPECT_EQ(run.state.devices.slots[1].status, op_status::kUpdatePass);
    EXPECT_EQ(run.machine().OpenMappings(), 0u);
  }
}

TEST(RunController, SelectedControllerOnBusZeroIsNotWorkedOn) {
  std::vector<ControllerJson> controllers = ControllersAtBuses(1);
  controllers.insert(controllers.begin(), ControllerJson{});
  controllers[0].location = "00:05.0";
  RunFixture run(controllers);
  ASSERT_EQ(run.state.devices.uc584Host, 2);
  run.state.m_pINI.DEV[0] = 1;
  run.Run();
  EXPECT_EQ(run.state.devices.slots[0].status, op_status::kNoDeviceToOperate);
  EXPECT_EQ(run.dialog.Cell(0, kStatusColumn), (RecordedCell{"No device to operate.", CellKind::kFail}));
  EXPECT_FALSE(run.HistoryHas("Dev[0] Begin to do update"));
  EXPECT_EQ(run.dialog.progress.size(), 2u);  // the opening step and device 1's
}

TEST(RunController, NoOperationChosenCountsAFailureButShowsNoOperations) {
  RunFixture run(ControllersAtBuses(1));
  run.state.m_pINI.update_qor_584_spi_flash_rom = 0;
  run.Run();
  EXPECT_TRUE(run.HistoryHas("Error => Dev[0]::failed, 0"));
  EXPECT_EQ(run.dialog.Cell(0, kStatusColumn), (RecordedCell{"No operations.", CellKind::kWhite}));
  EXPECT_EQ(run.dialog.progress.back(), (RecordedProgress{1, true, 1}));
}

TEST(RunController, InvalidFileFailsEverySelectedDeviceWithoutWriting) {
  RunFixture run(ControllersAtBuses(2));
  run.work.Write("broken.rom", std::string(4096, '\x11'));
  SetFixedText(run.state.m_pINI.load_fw, run.work.Path("broken.rom"));
  run.Run();
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(run.dialog.Cell(row, kStatusColumn), (RecordedCell{"Not a valid ROM file.", CellKind::kFail}));
  }
  EXPECT_TRUE(run.HistoryHas("Check file fail."));
  EXPECT_FALSE(run.HistoryHas("Dev[0] Begin to do update"));
  EXPECT_EQ(run.dialog.progress[1], (RecordedProgress{2, true, 1}));
}

TEST(RunController, EraseRunBlanksEveryChip) {
  RunFixture run(ControllersAtBuses(1));
  run.state.m_pINI.update_qor_584_spi_flash_rom = 0;
  run.state.m_pINI.erase_all_content_of_spi_flash_rom_only = 1;
  run.Run();
  EXPECT_EQ(run.dialog.Cell(0, kStatusColumn), (RecordedCell{"Erase SPI flash ROM pass.", CellKind::kPass}));
  EXPECT_TRUE(run.HistoryHas("Dev[0]::Erase SPI Flash Pass!"));
  EXPECT_FALSE(run.HistoryHas("Begin to check the file"));
}

TEST(RunController, SelectionFlagOtherThanOneIsWorkedOnButShowsNoOperations) {
  RunFixture run(ControllersAtBuses(1));
  run.state.m_pINI.DEV[0] = 2;
  run.Run();
  EXPECT_EQ(run.state.devices.slots[0].status, op_status::kUpdatePass);
  EXPECT_EQ(run.dialog.Cell(0, kStatusColumn), (RecordedCell{"No operations.", CellKind::kWhite}));
}

TEST(RunController, AutomaticRunWithOnePassIsASuccess) {
  RunFixture run(WithFaultAt(3, 0, "\"grant\": \"never\""));
  run.state.options.m_bAutoMode = true;
  run.Run();
  EXPECT_TRUE(run.HistoryHas("QOR584xFWUpgrade Success !"));
  EXPECT_EQ(run.work.Read("result.log"), "Pass\r\n");
  EXPECT_TRUE(run.dialog.warnings.empty());
  EXPECT_EQ(run.dialog.endResults, (std::vector<int>{kDialogCancel}));
  EXPECT_EQ(g_iOverallPass, 1);
  EXPECT_EQ(run.state.ending, RunEnding::kPassed);
}

TEST(RunController, AutomaticRunRefusedByTheRestrictionWarnsOfTheMismatch) {
  RunFixture run(ControllersAtBuses(2));
  run.state.options.m_bAutoMode = true;
  run.state.restriction.m_bLimitFWVer = 1;
  run.state.restriction.strLimitFWVer = "2412XX000002";
  run.Run();
  ASSERT_EQ(run.dialog.warnings.size(), 1u);
  EXPECT_EQ(run.dialog.warnings[0],
            "Warning! QOR584xFWUpgrade Mismatch! strLimitFWVer[2412XX000002], strFW[None]");
  EXPECT_EQ(run.work.Read("result.log"), "Fail\r\n");
  EXPECT_EQ(run.dialog.progress.size(), 1u);
  EXPECT_TRUE(run.HistoryHas("QOR584xFWUpgrade Fail() !"));
  EXPECT_EQ(run.state.ending, RunEnding::kFailed);
}

// The verdict is decided by the run; a result file that cannot be written
// changes nothing about it, and the failure is reported.
TEST(RunController, VerdictThatCannotBeWrittenStillDecidesTheEnding) {
  RunFixture run(ControllersAtBuses(1));
  run.state.options.m_bAutoMode = true;
  std::filesystem::create_directory(run.work.Path("result.log"));
  TraceCapture trace(1);
  run.Run();
  EXPECT_EQ(run.state.ending, RunEnding::kPassed);
  EXPECT_TRUE(trace.Contains("Cannot write \"Pass\" to " + run.work.Path("result.log") + ": "));
}

TEST(RunController, RestrictionTracesTheDifference) {
  RunFixture run(ControllersAtBuses(1));
  run.state.restriction.m_bLimitFWVer = 1;
  run.state.restriction.strLimitFWVer = "2506XX00BC00";
  TraceCapture trace(3);
  run.Run();
  EXPECT_TRUE(trace.Contains(":  FW Version is different [2506XX00BC00] [None]"));
  EXPECT_EQ(run.state.devices.slots[0].status, op_status::kNoDeviceToOperate);
}

}  // namespace
}  // namespace tamsel
