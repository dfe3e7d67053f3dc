#include "ui/tamsel_dlg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "imagegen/image_builder.h"
#include "platform/trace_capture.h"
#include "run/device_inventory.h"
#include "run/test_machine_json.h"
#include "sim/test_machine.h"
#include "ui/fake_view.h"

namespace tamsel {
namespace {

using C = ControlId;

// The dialog over a fake view, on a simulated machine, working in a scratch
// directory that holds the default image as "1300BC00.ROM".
class DialogFixture {
 public:
  explicit DialogFixture(const std::vector<ControllerJson>& controllers)
      : machine_(MachineJson(controllers)), dialog(view) {
    EXPECT_EQ(machine_.error(), "");
    previousDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(work.dir());
    History().SetEcho(nullptr);
    const std::vector<uint8_t> image = BuildImage();
    work.Write("1300BC00.ROM", std::string(image.begin(), image.end()));
    ProductionState& state = dialog.state();
    state.m_szStartDir = work.dir();
    SetFixedText(state.m_pINI.iniPath, work.Path("584upd.ini"));
    SetFixedText(state.m_pINI.load_fw, work.Path("1300BC00.ROM"));
    state.m_pINI.update_qor_584_spi_flash_rom = 1;
    g_iOverallPass = 0;
  }
  ~DialogFixture() {
    History().SetEcho(stdout);
    std::filesystem::current_path(previousDirectory_);
    g_iOverallPass = 0;
  }
  void Scan() {
    InitDevProcess(dialog.state().devices);
    dialog.vRefreshDevCheckBoxes(kDevBoxesAfterScan);
    dialog.vInitListColumns();
    vFillDeviceRows(dialog.state().devices, dialog);
  }

  ScratchDirectory work;

 private:
  sim::TestMachine machine_;
  std::filesystem::path previousDirectory_;

 public:
  FakeView view;
  CTamselDlg dialog;
};

std::vector<ControllerJson> SecondOfThreeFails() {
  std::vector<ControllerJson> controllers = ControllersAtBuses(3);
  controllers[1].faults = "\"program_fails\": true";
  return controllers;
}

TEST(TamselDlg, RunOfThreeWithTheSecondFailingStepsTheBarBlueRedRed) {
  DialogFixture fixture(SecondOfThreeFails());
  fixture.Scan();
  fixture.view.progressSteps.clear();
  fixture.dialog.OnClicked(C::kStart);
  const Rgb blue = kProgressColor;
  const Rgb red = kProgressFailColor;
  EXPECT_EQ(fixture.view.progressSteps,
            (std::vector<ProgressState>{{0, 3, blue, 0}, {0, 3, blue, 1}, {0, 3, red, 2}, {0, 3, red, 3}}));
  const CListCtrlEx& list = fixture.dialog.list();
  EXPECT_EQ(list.CellText(1, kStatusColumn), "Update SPI flash ROM fail.");
  EXPECT_EQ(list.PaintColors(1, kStatusColumn)->background, kFailColor);
  EXPECT_EQ(list.PaintColors(2, kStatusColumn)->background, kPassColor);
  EXPECT_EQ(list.PaintColors(2, 1)->background, kCellColor);
}

TEST(TamselDlg, CloseAndAcceptAreRefusedWhileARunWorks) {
  DialogFixture fixture(ControllersAtBuses(2));
  fixture.Scan();
  bool startEnabledDuringRun = true;
  fixture.view.pendingActions.push_back([&] {
    fixture.dialog.OnCancel();
    fixture.dialog.OnAccept();
    startEnabledDuringRun = fixture.view.IsEnabled(C::kStart);
    fixture.view.SetChecked(DevCheckBox(1), false);  // cannot reach the flags: the box is disabled
  });
  fixture.dialog.OnClicked(C::kStart);
  EXPECT_EQ(fixture.view.beeps, 1);
  EXPECT_FALSE(fixture.dialog.ended());
  EXPECT_FALSE(startEnabledDuringRun);
  EXPECT_TRUE(fixture.view.IsEnabled(C::kStart));
  EXPECT_TRUE(fixture.view.IsChecked(DevCheckBox(1)));  // ticked again after the run
  EXPECT_FALSE(fixture.view.IsEnabled(DevCheckBox(2)));

  fixture.dialog.OnCancel();
  EXPECT_TRUE(fixture.dialog.ended());
  EXPECT_EQ(fixture.work.Read("result.log"), "Fail\r\n");  // an interactive run never sets the pass flag
  EXPECT_EQ(fixture.dialog.state().ending, RunEnding::kFailed);
}

TEST(TamselDlg, AcceptStoresTheSettingsAndEndsWithOk) {
  DialogFixture fixture(ControllersAtBuses(1));
  SetFixedText(fixture.dialog.state().m_pINI.iniPath, fixture.work.Path("kept.ini"));
  fixture.Scan();
  fixture.view.SetChecked(C::kCheckErase, true);
  fixture.dialog.OnClicked(C::kCheckErase);
  fixture.dialog.OnAccept();
  EXPECT_EQ(fixture.view.endResults, std::vector<int>{});  // not in the modal loop yet
  EXPECT_TRUE(fixture.dialog.ended());
  const std::string ini = fixture.work.Read("kept.ini");
  EXPECT_NE(ini.find("erase_all_content_of_spi_flash_rom_only=1"), std::string::npos);
  EXPECT_NE(ini.find("update_qor_584_spi_flash_rom=0"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(fixture.work.Path("result.log")));
  EXPECT_EQ(fixture.dialog.state().ending, RunEnding::kAccepted);
}

// FW Browser: a chosen path becomes the designated file; a cancel or a
// failed chooser changes nothing and leaves its message trace.
TEST(TamselDlg, FileChooserOutcomes) {
  using O = FileChoice::Outcome;
  const std::string before = "/srv/fw/old.rom";
  const struct {
    const char* name;
    FileChoice choice;
    std::string designated;
    std::string trace;  // "" when none is written
  } cases[] = {
      {"chosen", {O::kChosen, "/srv/fw/new.rom", 0}, "/srv/fw/new.rom", ""},
      {"confirmed without a path", {O::kChosen, "", 0}, before, ""},
      {"cancelled", {O::kCancelled, "", 0}, before, ""},
      {"cancelled still naming a path",
       {O::kCancelled, "/srv/fw/half.rom", 2},
       before,
       "OnBnClickedButtonSaveini: strCopyTestFilePath:/srv/fw/half.rom, dwErrorCode 2"},
      {"chooser failed", {O::kFailed, "", 12}, before, "OnBnClickedButtonSaveini: dwErrorCode 12"},
  };
  for (const auto& c : cases) {
    FakeView view;
    CTamselDlg dialog(view);
    view.SetEditText(before);
    SetFixedText(dialog.state().m_pINI.load_fw, before);
    view.fileChoice = c.choice;
    const TraceCapture trace(3);
    dialog.OnClicked(C::kFwBrowser);
    EXPECT_EQ(view.EditText(), c.designated) << c.name;
    EXPECT_EQ(FixedTextString(dialog.state().m_pINI.load_fw), c.designated) << c.name;
    if (c.trace.empty()) {
      EXPECT_EQ(trace.lines(), std::vector<std::string>{}) << c.name;
    } else {
      ASSERT_EQ(trace.lines().size(), 1u) << c.name;
      EXPECT_TRUE(
          std::regex_match(trace.lines()[0], std::regex("MSG::CTamselDlg::OnBnClickedButtonFwpath:\\d+: .*")))
          << trace.lines()[0];
      EXPECT_TRUE(trace.lines()[0].ends_with(": " + c.trace)) << trace.lines()[0];
    }
  }
}

TEST(TamselDlg, TheWindowMenusAboutItemShowsTheAboutBox) {
  DialogFixture fixture(ControllersAtBuses(1));
  fixture.dialog.OnAbout();
  EXPECT_EQ(fixture.view.aboutBoxesShown(), 1);
  EXPECT_FALSE(fixture.dialog.ended());
}

TEST(TamselDlg, RescanEndsWithTheBarFullAndBlue) {
  DialogFixture fixture(ControllersAtBuses(2));
  fixture.Scan();
  fixture.view.SetChecked(DevCheckBox(0), false);
  fixture.dialog.OnClicked(DevCheckBox(0));
  EXPECT_EQ(fixture.dialog.state().m_pINI.DEV[0], 0);
  fixture.dialog.OnClicked(C::kRescan);
  const std::vector<ProgressState> expected = {{0, 3, kProgressColor, 0},
                                               {0, 3, kProgressColor, 1},
                                               {0, 3, kProgressColor, 2},
                                               {0, 3, kProgressColor, 3}};
  EXPECT_EQ(fixture.view.progressSteps, expected);
  EXPECT_EQ(fixture.dialog.state().m_pINI.DEV[0], 1);
  EXPECT_TRUE(fixture.view.IsChecked(DevCheckBox(0)));
  EXPECT_EQ(fixture.dialog.list().RowCount(), 2);
}

TEST(TamselDlg, ClearAndSelectAll) {
  DialogFixture fixture(ControllersAtBuses(2));
  fixture.Scan();
  fixture.dialog.state().m_pINI.DEV[5] = 1;
  fixture.dialog.OnClicked(C::kClear);
  for (int n = 0; n < 16; ++n) {
    EXPECT_FALSE(fixture.view.IsChecked(DevCheckBox(n))) << n;
    EXPECT_FALSE(fixture.view.IsEnabled(DevCheckBox(n))) << n;
    EXPECT_EQ(fixture.dialog.state().m_pINI.DEV[static_cast<std::size_t>(n)], 0) << n;
  }
  fixture.dialog.state().m_pINI.DEV[5] = 1;
  fixture.dialog.OnClicked(C::kSelectAll);
  EXPECT_TRUE(fixture.view.IsChecked(DevCheckBox(1)));
  EXPECT_TRUE(fixture.view.IsEnabled(DevCheckBox(1)));
  EXPECT_FALSE(fixture.view.IsChecked(DevCheckBox(5)));
  EXPECT_EQ(fixture.dialog.state().m_pINI.DEV[5], 1);
}

TEST(TamselDlg, ListRowsAreClampedAndCellTextsCut) {
  FakeView view;
  CTamselDlg dialog(view);
  dialog.vInitListColumns();
  uint8_t count = 20;
  dialog.vResetListRows(count);
  EXPECT_EQ(count, 16);
  EXPECT_EQ(dialog.list().RowCount(), 16);
  EXPECT_EQ(dialog.list().CellText(15, 0), "15");
  dialog.vSetListCell(3, 5, std::string(200, 'x'));
  EXPECT_EQ(dialog.list().CellText(3, 5), std::string(126, 'x'));
  count = 0;
  dialog.vResetListRows(count);
  EXPECT_EQ(dialog.list().RowCount(), 1);
  EXPECT_EQ(dialog.list().CellText(0, 0), "0");
  EXPECT_FALSE(dialog.list().PaintColors(0, 5).has_value() &&
               dialog.list().PaintColors(0, 5)->background == kCellColor);
}

TEST(TamselDlg, EnablingSyncsTheUpdateBoxesFromTheFlags) {
  FakeView view;
  CTamselDlg dialog(view);
  dialog.state().m_pINI.update_qor_584_spi_flash_rom = 1;
  dialog.state().m_pINI.dont_update_firmware_record_table = 1;
  dialog.vDisableDialogControls();
  EXPECT_FALSE(view.IsEnabled(C::kOk));
  EXPECT_FALSE(view.IsEnabled(DevCheckBox(15)));
  EXPECT_TRUE(view.IsEnabled(C::kDeviceList));
  dialog.vEnableDialogControls();
  EXPECT_TRUE(view.IsEnabled(C::kCancel));
  EXPECT_FALSE(view.IsEnabled(DevCheckBox(15)));  // left to vRefreshDevCheckBoxes
  EXPECT_TRUE(view.IsChecked(C::kCheckUpdate));
  EXPECT_TRUE(view.IsChecked(C::kCheckFwRecTable));
  EXPECT_FALSE(view.IsChecked(C::kCheckCustTable));
}

TEST(TamselDlg, NoControllerLeavesTheDialogToAnOperatorOnlyWhenOneCanSeeIt) {
  for (const bool interactive : {true, false}) {
    DialogFixture fixture({});
    fixture.view.interactive = interactive;
    fixture.dialog.DoModal({});
    ASSERT_FALSE(fixture.view.messages.empty());
    EXPECT_EQ(fixture.view.messages.back().text, "Can not find QOR584x !!\r\n");
    // An interactive view's loop is entered (the fake's loop answers with
    // Cancel); the headless case ends in start-up already.
    EXPECT_EQ(fixture.view.endResults.size(), interactive ? 1u : 0u);
    EXPECT_TRUE(fixture.dialog.ended());
    EXPECT_EQ(fixture.work.Read("result.log"), "Fail\r\n") << interactive;
    EXPECT_EQ(fixture.view.title(), "QOR584x Mass Production Tool Ver 2, 0, 5, 1");
    EXPECT_EQ(fixture.dialog.list().CellText(0, 1), "na");
  }
}

}  // namespace
}  // namespace tamsel
