// The FLTK view on a real (virtual) X screen: clicks and keys go through the
// X server and FLTK's event dispatch, colours are read back from the screen.

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "run/test_machine_json.h"
#include "sim/test_machine.h"
#include "ui/fltk_device_list.h"
#include "ui/fltk_main_window.h"
#include "ui/fltk_progress_bar.h"
#include "ui/fltk_screen_test.h"
#include "ui/fltk_toolkit_view.h"
#include "ui/tamsel_dlg.h"

namespace tamsel {
namespace {

using namespace screen_test;

// Records what the window reports, for the paths whose real handlers would
// unload the driver and write files.
class RecordedEvents : public DialogEvents {
 public:
  void OnClicked(ControlId id) override { clicked.push_back(id); }
  void OnEditChanged(const std::string& text) override { edits.push_back(text); }
  void OnAccept() override { ++accepts; }
  void OnCancel() override { ++cancels; }
  void OnAbout() override { ++abouts; }

  std::vector<ControlId> clicked;
  std::vector<std::string> edits;
  int accepts = 0;
  int cancels = 0;
  int abouts = 0;
};

// The view with the real dialog logic behind it, its window on screen.
class FltkViewTest : public ::testing::Test {
 protected:
  FltkViewTest() : view([this] { ++beeps; }), dialog(view) {}

  void SetUp() override {
    view.SetTitle("QOR584x Mass Production Tool Ver 2, 0, 5, 1");
    view.ShowWindow(dialog);
  }

  FltkMainWindow& window() { return view.window(); }
  Fl_Widget& control(ControlId id) { return *window().Control(id); }
  void Click(ControlId id) { ClickWidget(control(id)); }
  IniSettings& ini() { return dialog.state().m_pINI; }

  int beeps = 0;
  FltkView view;
  CTamselDlg dialog;
};

TEST_F(FltkViewTest, ShowsTheTitledFixedSizeWindowAboveOthers) {
  EXPECT_TRUE(IsOnScreen("QOR584x Mass Production Tool Ver 2, 0, 5, 1"));
  EXPECT_EQ(window().w(), 842);
  EXPECT_EQ(window().h(), 710);
  EXPECT_TRUE(AsksToStayAbove(window()));
  int iconWidth = 0;
  int iconHeight = 0;
  IconSize(window(), iconWidth, iconHeight);
  EXPECT_EQ(iconWidth, 32);
  EXPECT_EQ(iconHeight, 32);
  for (ControlId hidden : {ControlId::kOk, ControlId::kCancel, ControlId::kDisablePm, ControlId::kEnablePm}) {
    EXPECT_FALSE(control(hidden).visible_r()) << static_cast<int>(hidden);
  }
  EXPECT_STREQ(control(ControlId::kRescan).label(), "Resacn");
  EXPECT_TRUE(control(ControlId::kStart).visible_r());
}

struct ClickCase {
  const char* name;
  std::vector<ControlId> clicks;
  uint8_t erase, regTable, update, cct, frt;
  bool cctEnabled;
};

class FltkOperationClickTest : public FltkViewTest, public ::testing::WithParamInterface<ClickCase> {};

// Each click is a real button press on the box; the dialog logic applies its
// rule and the flags follow.
TEST_P(FltkOperationClickTest, ClickingBoxesChangesTheFlags) {
  const ClickCase& c = GetParam();
  for (ControlId id : c.clicks) {
    Click(id);
  }
  EXPECT_EQ(ini().erase_all_content_of_spi_flash_rom_only, c.erase);
  EXPECT_EQ(ini().update_qor_584_spi_flash_rom_register_table_only, c.regTable);
  EXPECT_EQ(ini().update_qor_584_spi_flash_rom, c.update);
  EXPECT_EQ(ini().dont_update_customer_configuration_table, c.cct);
  EXPECT_EQ(ini().dont_update_firmware_record_table, c.frt);
  EXPECT_EQ(view.IsEnabled(ControlId::kCheckCustTable), c.cctEnabled);
  EXPECT_EQ(view.IsChecked(ControlId::kCheckUpdate), c.update == 1);
  EXPECT_EQ(view.IsChecked(ControlId::kCheckErase), c.erase == 1);
}

using C = ControlId;
INSTANTIATE_TEST_SUITE_P(
    Rules, FltkOperationClickTest,
    ::testing::Values(
        ClickCase{"Update", {C::kCheckUpdate}, 0, 0, 1, 0, 0, true},
        ClickCase{"UpdateKeepingBothTables",
                  {C::kCheckUpdate, C::kCheckCustTable, C::kCheckFwRecTable},
                  0,
                  0,
                  1,
                  1,
                  1,
                  true},
        ClickCase{
            "EraseAfterUpdate", {C::kCheckUpdate, C::kCheckCustTable, C::kCheckErase}, 1, 0, 0, 0, 0, false},
        ClickCase{"RegisterTableAfterErase", {C::kCheckErase, C::kCheckRegTable}, 0, 1, 0, 0, 0, false},
        ClickCase{"UpdateUntickedAgain",
                  {C::kCheckUpdate, C::kCheckCustTable, C::kCheckUpdate},
                  0,
                  0,
                  0,
                  0,
                  0,
                  false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(FltkViewTest, DisabledBoxesIgnoreClicks) {
  Click(ControlId::kCheckErase);  // disables 1005 and 1006
  ASSERT_FALSE(view.IsEnabled(ControlId::kCheckCustTable));
  Click(ControlId::kCheckCustTable);
  EXPECT_FALSE(view.IsChecked(ControlId::kCheckCustTable));
  EXPECT_EQ(ini().dont_update_customer_configuration_table, 0);

  dialog.vRefreshDevCheckBoxes(2);  // "Clear": every Dev box unticked and disabled
  ini().DEV[3] = 0;
  Click(DevCheckBox(3));
  EXPECT_FALSE(view.IsChecked(DevCheckBox(3)));
  EXPECT_EQ(ini().DEV[3], 0);
}

TEST_F(FltkViewTest, ClickingAnEnabledDevBoxSelectsItsDevice) {
  for (int n : {0, 9, 15}) {
    view.SetEnabled(DevCheckBox(n), true);
    Click(DevCheckBox(n));
    EXPECT_TRUE(view.IsChecked(DevCheckBox(n))) << n;
    EXPECT_EQ(ini().DEV[n], 1) << n;
    Click(DevCheckBox(n));
    EXPECT_EQ(ini().DEV[n], 0) << n;
  }
}

TEST_F(FltkViewTest, AClickDuringWorkIsHandledAtTheNextDrainPoint) {
  view.SetEnabled(DevCheckBox(5), true);
  const Fl_Widget& box = control(DevCheckBox(5));
  SendClickAt(RootX(window(), box.x() + box.h() / 2 + 2), RootY(window(), box.y() + box.h() / 2));
  EXPECT_EQ(ini().DEV[5], 0);  // nothing dispatched yet
  dialog.vPumpMessages();
  EXPECT_EQ(ini().DEV[5], 1);
}

Rgb CellPixel(FltkViewTest& test, FltkDeviceList& list, int row, int column) {
  int x = 0, y = 0, w = 0, h = 0;
  EXPECT_TRUE(list.CellBounds(row, column, x, y, w, h));
  // A corner of the cell, clear of its centred text and of the grid lines.
  (void)test;
  return PixelAt(RootX(*list.window(), x + 3), RootY(*list.window(), y + 3));
}

TEST_F(FltkViewTest, StatusCellsShowTheExactPassAndFailColours) {
  dialog.vInitListColumns();
  uint8_t found = 3;
  dialog.vResetListRows(found);
  dialog.vSetListCell(0, 1, "03");
  dialog.vSetStatusCellPass(0, "Update FW pass!");
  dialog.vSetStatusCellFail(1, "Program SPI flash fail!");
  dialog.vSetStatusCellPass(2, "Running...");
  Settle();
  FltkDeviceList& list = window().deviceList();
  EXPECT_EQ(CellPixel(*this, list, 0, 7), (Rgb{128, 255, 255}));
  EXPECT_EQ(CellPixel(*this, list, 1, 7), (Rgb{255, 162, 208}));
  EXPECT_EQ(CellPixel(*this, list, 2, 7), (Rgb{128, 255, 255}));
  EXPECT_EQ(CellPixel(*this, list, 0, 1), (Rgb{255, 255, 255}));
  EXPECT_EQ(CellPixel(*this, list, 1, 0), (Rgb{255, 255, 255}));  // the list's own colour

  // A reset leaves no colour behind.
  found = 1;
  dialog.vResetListRows(found);
  Settle();
  EXPECT_EQ(CellPixel(*this, list, 0, 7), (Rgb{255, 255, 255}));
}

TEST_F(FltkViewTest, SixteenDevicesScrollOnlyDownwards) {
  dialog.vInitListColumns();
  uint8_t found = 16;
  dialog.vResetListRows(found);
  Settle();
  FltkDeviceList& list = window().deviceList();
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(list.CellBounds(0, 7, x, y, w, h));
  // The whole Status column is inside the list, next to the vertical bar.
  EXPECT_LE(x + w, list.x() + list.w() - Fl::scrollbar_size());
}

Rgb BarPixel(FltkMainWindow& window, double share) {
  const FltkProgressBar& bar = window.progressBar();
  const int x = bar.x() + 3 + static_cast<int>(share * (bar.w() - 6));
  return PixelAt(RootX(window, x), RootY(window, bar.y() + bar.h() / 2));
}

TEST_F(FltkViewTest, ProgressBarTurnsRedAfterTheFirstFailure) {
  const Rgb blue{0, 128, 255};
  const Rgb red{255, 0, 0};
  const Rgb empty{255, 255, 255};
  dialog.vStartRunProgress(3);
  Settle();
  EXPECT_EQ(BarPixel(window(), 0.1), empty);
  dialog.vStepRunProgress(3, 0, false);
  Settle();
  EXPECT_EQ(BarPixel(window(), 0.1), blue);
  EXPECT_EQ(BarPixel(window(), 0.5), empty);
  dialog.vStepRunProgress(3, 1, true);
  Settle();
  EXPECT_EQ(BarPixel(window(), 0.1), red);
  EXPECT_EQ(BarPixel(window(), 0.5), red);
  EXPECT_EQ(BarPixel(window(), 0.9), empty);
  dialog.vStepRunProgress(3, 2, true);
  Settle();
  EXPECT_EQ(BarPixel(window(), 0.97), red);
}

TEST_F(FltkViewTest, AnEmptyRangeShowsAnEmptyBar) {
  dialog.vStartRunProgress(0);
  view.SetProgressPosition(1);
  Settle();
  EXPECT_EQ(window().progressBar().FilledWidth(), 0);
  EXPECT_EQ(BarPixel(window(), 0.5), (Rgb{255, 255, 255}));
}

// Tab to Resacn and Enter: the real dialog rescans the simulated machine and
// stays open instead of taking the accept path.
TEST_F(FltkViewTest, EnterOnTheFocusedResacnRescansAndKeepsTheDialogOpen) {
  const sim::TestMachine machine(MachineJson(ControllersAtBuses(1)));
  const ScratchDirectory work;
  History().SetDirectory(work.dir());
  History().SetEcho(nullptr);
  SetFixedText(ini().iniPath, work.Path("584upd.ini"));

  Click(DevCheckBox(7));
  PressKey(window(), "Tab");
  ASSERT_EQ(Fl::focus(), &control(ControlId::kRescan));
  PressKey(window(), "Return");

  EXPECT_EQ(dialog.state().devices.uc584Host, 1);
  EXPECT_TRUE(view.IsChecked(DevCheckBox(0)));
  EXPECT_EQ(window().progressBar().position(), 3);
  EXPECT_FALSE(dialog.ended());
  EXPECT_TRUE(window().shown());
  History().SetEcho(stdout);
  History().SetDirectory("");
}

TEST_F(FltkViewTest, RefusesToCloseWhileWorkIsInProgress) {
  dialog.vDisableDialogControls();
  PressKey(window(), "Escape");
  SendCloseRequest(window());
  PressKey(window(), "Return");
  EXPECT_FALSE(dialog.ended());
  EXPECT_TRUE(window().shown());
  EXPECT_GE(beeps, 2);  // Esc and the close box sound the warning
  // Every control that could change the run's inputs ignores the operator.
  Click(ControlId::kCheckUpdate);
  EXPECT_EQ(ini().update_qor_584_spi_flash_rom, 0);
}

// With nobody at work, Enter, Esc and the close box reach the dialog's
// accept and cancel paths.
class FltkWindowKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { view.ShowWindow(events); }
  FltkView view{[] {}};
  RecordedEvents events;
};

TEST_F(FltkWindowKeysTest, EnterAcceptsAlsoFromThePathEdit) {
  PressKey(view.window(), "Return");
  EXPECT_EQ(events.accepts, 1);
  ClickWidget(view.window().pathEdit());
  PressKey(view.window(), "Return");
  EXPECT_EQ(events.accepts, 2);
  EXPECT_EQ(events.cancels, 0);
}

// As in a dialog, Enter presses the push button that has the focus; on a
// check box or in the path edit it is OK.
TEST_F(FltkWindowKeysTest, EnterPressesTheFocusedPushButtonElseAccepts) {
  FltkMainWindow& window = view.window();
  const struct {
    const char* name;
    std::function<void()> giveFocus;
    ControlId focused;
    bool pressesIt;
  } cases[] = {
      {"Check FW after a click", [&] { ClickWidget(*window.Control(ControlId::kCheckFw)); },
       ControlId::kCheckFw, true},
      {"Resacn after Tab",
       [&] {
         ClickWidget(*window.Control(DevCheckBox(7)));
         PressKey(window, "Tab");
       },
       ControlId::kRescan, true},
      {"a check box after a click", [&] { ClickWidget(*window.Control(ControlId::kCheckErase)); },
       ControlId::kCheckErase, false},
      {"the path edit", [&] { ClickWidget(window.pathEdit()); }, ControlId::kFwPath, false},
  };
  for (const auto& c : cases) {
    c.giveFocus();
    ASSERT_EQ(Fl::focus(), window.Control(c.focused)) << c.name;
    events.clicked.clear();
    events.accepts = 0;
    PressKey(window, "Return");
    EXPECT_EQ(events.clicked, c.pressesIt ? std::vector<ControlId>{c.focused} : std::vector<ControlId>{})
        << c.name;
    EXPECT_EQ(events.accepts, c.pressesIt ? 0 : 1) << c.name;
    EXPECT_EQ(events.cancels, 0) << c.name;
  }
}

TEST_F(FltkWindowKeysTest, EscAndTheCloseBoxCancel) {
  PressKey(view.window(), "Escape");
  EXPECT_EQ(events.cancels, 1);
  SendCloseRequest(view.window());
  EXPECT_EQ(events.cancels, 2);
  EXPECT_EQ(events.accepts, 0);
}

TEST_F(FltkWindowKeysTest, TypingInThePathEditReportsEachChange) {
  ClickWidget(view.window().pathEdit());
  TypeText(view.window(), "/tmp/a.rom");
  ASSERT_FALSE(events.edits.empty());
  EXPECT_EQ(events.edits.back(), "/tmp/a.rom");
  EXPECT_EQ(view.EditText(), "/tmp/a.rom");
}

TEST_F(FltkWindowKeysTest, ButtonsReportTheirClicks) {
  for (ControlId id : {ControlId::kRescan, ControlId::kStart, ControlId::kCheckFw, ControlId::kClear,
                       ControlId::kSelectAll, ControlId::kFwBrowser}) {
    ClickWidget(*view.window().Control(id));
    ASSERT_FALSE(events.clicked.empty());
    EXPECT_EQ(events.clicked.back(), id);
  }
  // The right button is not a click.
  const std::size_t before = events.clicked.size();
  Later([] { PressKeyHere("Escape"); });
  ClickWidget(*view.window().Control(ControlId::kStart), 3);
  EXPECT_EQ(events.clicked.size(), before);
}

TEST_F(FltkWindowKeysTest, SetEditTextDoesNotReportAnEdit) {
  view.SetEditText("/srv/fw/1300BC00.ROM");
  Settle();
  EXPECT_EQ(view.EditText(), "/srv/fw/1300BC00.ROM");
  EXPECT_TRUE(events.edits.empty());
}

TEST(FltkBusyNoticeTest, IsFoundAndClosedByItsTitle) {
  FltkView view([] {});
  view.ShowBusyNotice(kBusyNoticeText, kBusyNoticeCaption);
  EXPECT_TRUE(IsOnScreen("tamseltool"));
  Fl_Window* notice = Fl::first_window();
  ASSERT_NE(notice, nullptr);
  ASSERT_GE(notice->children(), 2);
  EXPECT_STREQ(notice->child(0)->label(),
               "Please wait until the tool finishes the scanning function. It may take a few moments.");
  EXPECT_STREQ(notice->child(1)->label(), "OK");
  EXPECT_TRUE(view.CloseWindowByTitle("tamseltool"));
  Settle();
  EXPECT_FALSE(IsOnScreen("tamseltool"));
  EXPECT_FALSE(view.CloseWindowByTitle("tamseltool"));
}

TEST(FltkBusyNoticeTest, ClosedByTheOperatorFirstIsNotFoundLater) {
  FltkView view([] {});
  view.ShowBusyNotice(kBusyNoticeText, kBusyNoticeCaption);
  Fl_Window* notice = nullptr;
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
    if (std::string(w->label()) == "tamseltool") {
      notice = w;
    }
  }
  ASSERT_NE(notice, nullptr);
  PressKey(*notice, "Return");  // its OK button
  EXPECT_FALSE(IsOnScreen("tamseltool"));
  EXPECT_FALSE(view.CloseWindowByTitle("tamseltool"));
}

}  // namespace
}  // namespace tamsel
