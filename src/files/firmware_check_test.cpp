#include "files/firmware_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/scratch_directory.h"
#include "imagegen/image_builder.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

class RecordingNotifier : public OperatorNotifier {
 public:
  void ShowMessage(const OperatorMessage& message) override { shown.push_back(message); }
  std::vector<OperatorMessage> shown;
};

std::string AsText(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class CheckFwBinTest : public testing::Test {
 protected:
  CheckFwBinTest() {
    ini.update_qor_584_spi_flash_rom = 1;
    validImage = AsText(BuildImage());
  }

  uint32_t Check(const std::string& loadFw, bool autoMode = false, uint8_t show = 0) {
    SetFixedText(ini.load_fw, loadFw);
    return CheckFWBIN(show, FirmwareCheckSetting{ini, autoMode, dir.dir()}, file, &notifier);
  }

  ScratchDirectory dir;
  IniSettings ini;
  FirmwareFile file;
  RecordingNotifier notifier;
  std::string validImage;
};

TEST_F(CheckFwBinTest, WildcardPathCannotBeOpenedAndIsShownWhenAsked) {
  TraceCapture trace;
  EXPECT_EQ(Check("*.ROM", false, 1), kCheckFwCannotOpen);
  EXPECT_EQ(file.iCheckFwStatus, kCheckFwCannotOpen);
  EXPECT_EQ(file.message, "Can't open file: *.ROM!!!");
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Can't open file: *.ROM!!!");
  EXPECT_EQ(notifier.shown[0].caption, "TamselWin");
  EXPECT_FALSE(file.holdsImage());
  EXPECT_TRUE(trace.Contains("MSG::CTamselDlg::CheckFWBIN:"));
  EXPECT_TRUE(trace.Contains(":  KOBKOB pSpiromFileName [*.ROM]!!!"));
  EXPECT_TRUE(trace.Contains(": Can't open file: *.ROM!!!"));
}

TEST_F(CheckFwBinTest, ValidImagePassesAndIsHeldWhileOneByteShortFails) {
  dir.Write("fw.rom", validImage);
  dir.Write("short.rom", validImage.substr(0, validImage.size() - 1));
  EXPECT_EQ(Check(dir.Path("fw.rom")), kCheckFwPassed);
  ASSERT_TRUE(file.holdsImage());
  EXPECT_EQ(AsText(*file.pSpiromBuffer), validImage);
  EXPECT_EQ(file.dwSpiromFileSize, validImage.size());
  EXPECT_EQ(file.message, "Check the firmware file pass.");
  EXPECT_STREQ(file.pSpiromFileName(), dir.Path("fw.rom").c_str());
  EXPECT_TRUE(notifier.shown.empty());

  EXPECT_EQ(Check(dir.Path("short.rom")), kCheckFwNotValid);
  EXPECT_FALSE(file.holdsImage());  // the earlier image is gone too
  EXPECT_EQ(file.message,
            "[" + dir.Path("short.rom") +
                "] is not a valid QOR584 SPI ROM file!!!\nPlease select another QOR584 ROM file");
}

TEST_F(CheckFwBinTest, RegisterTableOnlyTakesAnyReadableFile) {
  ini.update_qor_584_spi_flash_rom = 0;
  ini.update_qor_584_spi_flash_rom_register_table_only = 1;
  dir.Write("notes.txt", "not firmware\r\n");
  dir.Write("empty.bin", "");
  EXPECT_EQ(Check(dir.Path("notes.txt")), kCheckFwPassed);
  EXPECT_EQ(AsText(*file.pSpiromBuffer), "not firmware\r\n");
  EXPECT_EQ(Check(dir.Path("empty.bin")), kCheckFwPassed);
  EXPECT_TRUE(file.holdsImage());
  EXPECT_EQ(file.dwSpiromFileSize, 0u);
}

TEST_F(CheckFwBinTest, OddFilesGiveTheirStatusWithoutCrashing) {
  dir.Write("empty.rom", "");
  dir.Write("huge.rom", std::string(64u << 20, '\xA5'));
  std::filesystem::create_directory(dir.Path("folder.rom"));
  const struct {
    std::string path;
    uint32_t status;
  } cases[] = {{dir.Path("empty.rom"), kCheckFwNotValid},
               {dir.Path("huge.rom"), kCheckFwNotValid},
               {dir.Path("folder.rom"), kCheckFwCannotOpen},
               {dir.Path("absent.rom"), kCheckFwCannotOpen},
               {"", kCheckFwCannotOpen}};
  for (const auto& c : cases) {
    EXPECT_EQ(Check(c.path), c.status) << c.path;
    EXPECT_FALSE(file.holdsImage()) << c.path;
  }
}

// A sparse file longer than a 32-bit length can hold cannot become an image.
TEST_F(CheckFwBinTest, ImageTooLargeForMemoryGivesTwelve) {
  dir.Write("vast.rom", "");
  std::filesystem::resize_file(dir.Path("vast.rom"), (uint64_t{1} << 32) + 1);
  TraceCapture trace;
  EXPECT_EQ(Check(dir.Path("vast.rom"), false, 1), kCheckFwNoMemory);
  EXPECT_EQ(file.message, "Allocate memory for SPI ROM file fail!!!");
  EXPECT_FALSE(file.holdsImage());
  EXPECT_TRUE(trace.Contains(": Allocate memory for SPI ROM file fail!!!"));
}

TEST_F(CheckFwBinTest, PathsLongerThanTheFieldAreCut) {
  EXPECT_EQ(Check(std::string(400, 'a')), kCheckFwCannotOpen);
  EXPECT_EQ(file.message, "Can't open file: " + std::string(254, 'a') + "!!!");
}

TEST_F(CheckFwBinTest, AutomaticModeTakesTheFirstRomOfTheDirectoryInAnyCase) {
  std::filesystem::create_directory(dir.Path("a.rom"));  // a directory is no candidate
  dir.Write("b.Rom", validImage);
  dir.Write("c.ROM", "garbage");
  dir.Write("a.romx", "garbage");
  TraceCapture trace;
  EXPECT_EQ(Check("*.ROM", true), kCheckFwPassed);
  EXPECT_STREQ(file.pSpiromFileName(), dir.Path("b.Rom").c_str());
  EXPECT_TRUE(trace.Contains("Found *.rom: " + dir.Path("b.Rom")));

  std::filesystem::remove(dir.Path("b.Rom"));
  EXPECT_EQ(Check("*.ROM", true), kCheckFwNotValid);
  // Messages name the designated path, not the file found.
  EXPECT_EQ(file.message,
            "[*.ROM] is not a valid QOR584 SPI ROM file!!!\nPlease select another QOR584 ROM file");
}

TEST_F(CheckFwBinTest, AutomaticModeWithoutRomKeepsSixteenFirstAndNeverKeepsAnOldPass) {
  TraceCapture trace;
  EXPECT_EQ(Check("*.ROM", true), kCheckFwNotChecked);
  EXPECT_TRUE(trace.Contains("Cannot find any *.rom"));
  EXPECT_EQ(file.message, "*.ROM");

  dir.Write("1300BC00.ROM", validImage);
  EXPECT_EQ(Check("*.ROM", true), kCheckFwPassed);
  ASSERT_TRUE(file.holdsImage());

  std::filesystem::remove(dir.Path("1300BC00.ROM"));
  EXPECT_EQ(Check("*.ROM", true, 1), kCheckFwCannotOpen);
  EXPECT_FALSE(file.holdsImage());
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Can't open file: *.ROM!!!");
}

// The carried stand-in on real hardware: a file byte-identical to it fails as
// not valid (in either kind of update), saying why and how to build with the
// real image; any other file is checked as always.
TEST_F(CheckFwBinTest, AFileIdenticalToTheRefusedStandInFailsAsNotValidAndSaysWhy) {
  const std::vector<uint8_t> standIn = BuildImage();
  ImageOptions otherOptions;
  otherOptions.fillSeed = 5;
  const std::string other = AsText(BuildImage(otherOptions));
  dir.Write("1300BC00.ROM", validImage);
  dir.Write("other.rom", other);
  for (const bool registerTableOnly : {false, true}) {
    SCOPED_TRACE(registerTableOnly ? "register table only" : "update");
    ini.update_qor_584_spi_flash_rom = registerTableOnly ? 0 : 1;
    ini.update_qor_584_spi_flash_rom_register_table_only = registerTableOnly ? 1 : 0;
    TraceCapture trace(1);
    SetFixedText(ini.load_fw, "*.ROM");
    FirmwareCheckSetting setting{ini, true, dir.dir(), standIn};
    EXPECT_EQ(CheckFWBIN(1, setting, file, &notifier), kCheckFwNotValid);
    EXPECT_FALSE(file.holdsImage());
    EXPECT_TRUE(file.standInRefused);
    const std::string path = dir.Path("1300BC00.ROM");
    EXPECT_EQ(
        file.message,
        "[*.ROM] is not a valid QOR584 SPI ROM file!!!\nPlease select another QOR584 ROM file\n" + path +
            " is the built-in stand-in image, not firmware for a real controller.\n"
            "Build the program with TAMSEL_BLOB_DIR naming a directory that holds the real 1300BC00.ROM.");
    ASSERT_FALSE(notifier.shown.empty());
    EXPECT_EQ(notifier.shown.back().text, file.message);
    EXPECT_TRUE(trace.Contains("ERR::CTamselDlg::CheckFWBIN:"));
    EXPECT_TRUE(trace.Contains(path + " is the built-in stand-in image, not firmware for a real controller. "
                                      "Build the program with TAMSEL_BLOB_DIR"));

    SetFixedText(ini.load_fw, dir.Path("other.rom"));
    EXPECT_EQ(CheckFWBIN(0, FirmwareCheckSetting{ini, false, dir.dir(), standIn}, file), kCheckFwPassed);
    EXPECT_FALSE(file.standInRefused);
    SetFixedText(ini.load_fw, path);
    EXPECT_EQ(CheckFWBIN(0, FirmwareCheckSetting{ini, false, dir.dir()}, file), kCheckFwPassed)
        << "nothing is refused where the stand-in may be written (the simulator)";
  }
}

TEST(FindFirstRomFile, MissingDirectoryFindsNothing) {
  EXPECT_FALSE(FindFirstRomFile("/nonexistent/tamsel").has_value());
}

}  // namespace
}  // namespace tamsel
