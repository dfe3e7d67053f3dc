// The view's secondary windows on a real (virtual) X screen: the message
// box, the About box from the window menu, and the file chooser.

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ui/fltk_about_box.h"
#include "ui/fltk_main_window.h"
#include "ui/fltk_message_box.h"
#include "ui/fltk_screen_test.h"
#include "ui/fltk_toolkit_view.h"
#include "ui/message_box_text.h"

namespace tamsel {
namespace {

using namespace screen_test;

Fl_Window* ShownWindowTitled(const std::string& title) {
  for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
    if (w->label() != nullptr && title == w->label()) {
      return w;
    }
  }
  return nullptr;
}

// Every label of a window's widgets, in order.
std::vector<std::string> Labels(const Fl_Window& window) {
  std::vector<std::string> labels;
  for (int i = 0; i < window.children(); ++i) {
    if (const char* label = window.child(i)->label()) {
      labels.emplace_back(label);
    }
  }
  return labels;
}

bool Contains(const std::vector<std::string>& labels, const std::string& text) {
  for (const std::string& label : labels) {
    if (label == text) {
      return true;
    }
  }
  return false;
}

TEST(FltkMessageBoxTest, ShowsTextAndCaptionAndReturnsWhenClosed) {
  FltkView view([] {});
  bool seen = false;
  std::vector<std::string> labels;
  Later([&] {
    Fl_Window* box = ShownWindowTitled("QOR584x");
    ASSERT_NE(box, nullptr);
    seen = IsOnScreen("QOR584x");
    labels = Labels(*box);
    PressKey(*box, "Return");
  });
  view.ShowMessageBox("Can't open file: *.ROM!!!\r\n", "QOR584x", MessageIcon::kExclamation);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(Contains(labels, "Can't open file: *.ROM!!!"));
  EXPECT_TRUE(Contains(labels, "OK"));
  EXPECT_TRUE(Contains(labels, "!"));
  EXPECT_EQ(ShownWindowTitled("QOR584x"), nullptr);
}

TEST(FltkMessageBoxTest, EscClosesItToo) {
  Later([] { PressKey(*ShownWindowTitled("caption"), "Escape"); });
  ShowFltkMessageBox("text", "caption", MessageIcon::kNone);
  EXPECT_EQ(ShownWindowTitled("caption"), nullptr);
}

TEST(FltkMessageBoxTest, DropsCarriageReturnsAndTrailingLineEnds) {
  EXPECT_EQ(WithoutCarriageReturns("Can not find QOR584x !!\r\n"), "Can not find QOR584x !!");
  EXPECT_EQ(WithoutCarriageReturns("a\r\nb\n"), "a\nb");
}

TEST(FltkAboutBoxTest, TheWindowMenuOpensTheAboutBoxWithItsTexts) {
  FltkView view([] {});
  // Stands in for the dialog logic, which answers the menu item with the box.
  class AboutOnlyEvents : public DialogEvents {
   public:
    explicit AboutOnlyEvents(View& shown) : view_(shown) {}
    void OnClicked(ControlId) override {}
    void OnEditChanged(const std::string&) override {}
    void OnAccept() override {}
    void OnCancel() override {}
    void OnAbout() override { view_.ShowAboutBox(); }

   private:
    View& view_;
  } events(view);
  view.ShowWindow(events);
  std::vector<std::string> labels;
  bool aboutSeen = false;
  // F1 opens the window menu; Down and Enter pick its About item; the About
  // box is read and closed with Enter on its button.
  Later([&] {
    PressKeyHere("Down");
    PressKeyHere("Return");
  });
  Later(
      [&] {
        Fl_Window* about = ShownWindowTitled(kAboutCaption);
        ASSERT_NE(about, nullptr);
        aboutSeen = IsOnScreen(kAboutCaption);
        labels = Labels(*about);
        PressKey(*about, "Return");
      },
      0.6);
  PressKey(view.window(), "F1");
  EXPECT_TRUE(aboutSeen);
  EXPECT_TRUE(Contains(labels, "TamselWin, 1.0 \xE7\x89\x88"));
  EXPECT_TRUE(Contains(labels, "\xE7\xA2\xBA\xE5\xAE\x9A"));
  EXPECT_EQ(ShownWindowTitled(kAboutCaption), nullptr);
}

class FltkFileChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory =
        (std::filesystem::temp_directory_path() / ("tamsel_chooser_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(directory);
    std::ofstream(directory + "/1300BC00.ROM") << "image";
    std::ofstream(directory + "/NOEXT") << "image";
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  // The chooser's window: the one shown last.
  static Fl_Window& ChooserWindow() { return *Fl::first_window(); }

  std::string directory;
  FltkView view{[] {}};
};

// The dialog logic names the start as "DIR/*.*"; the chooser opens in DIR,
// the operator types a name after it and presses Enter.
TEST_F(FltkFileChooserTest, ReturnsTheFileTheOperatorChooses) {
  std::string shownAtFirst;
  Later([&shownAtFirst] {
    auto* name = dynamic_cast<Fl_Input*>(Fl::focus());
    ASSERT_NE(name, nullptr);
    shownAtFirst = name->value();
    TypeText(ChooserWindow(), "NOEXT");  // no dot, yet "*.*" lets it pass
    PressKey(ChooserWindow(), "Return");
  });
  const auto chosen = view.ChooseFile("", "(*.*)|*.*||", directory + "/*.*");
  EXPECT_EQ(shownAtFirst, directory + "/");
  EXPECT_EQ(chosen.outcome, FileChoice::Outcome::kChosen);
  EXPECT_EQ(chosen.path, directory + "/NOEXT");
}

TEST_F(FltkFileChooserTest, CancellingReportsACancelWithoutAPath) {
  Later([] { PressKey(ChooserWindow(), "Escape"); });
  const FileChoice choice = view.ChooseFile("", "(*.*)|*.*||", directory);
  EXPECT_EQ(choice.outcome, FileChoice::Outcome::kCancelled);
  EXPECT_EQ(choice.path, "");
}

}  // namespace
}  // namespace tamsel
