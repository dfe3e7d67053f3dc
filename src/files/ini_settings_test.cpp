#include "files/ini_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files/scratch_directory.h"
#include "files/small_tmpfs.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

const std::string kDefaultIniPath = std::string(TAMSEL_SOURCE_DIR) + "/resources/584upd.ini";

struct Loaded {
  bool result = false;
  IniSettings ini;
  VersionRestriction restriction;
};

Loaded LoadText(const ScratchDirectory& dir, const std::string& text) {
  dir.Write("584upd.ini", text);
  Loaded loaded;
  loaded.result = LoadINIFile(dir.Path("584upd.ini"), loaded.ini, loaded.restriction);
  return loaded;
}

TEST(LoadINIFile, CarriedDefaultGivesItsValuesAndFalseForTwentyNineLines) {
  ASSERT_EQ(std::filesystem::file_size(kDefaultIniPath), 531u);
  TraceCapture trace;
  Loaded loaded;
  loaded.result = LoadINIFile(kDefaultIniPath, loaded.ini, loaded.restriction);
  EXPECT_FALSE(loaded.result);
  const IniSettings& ini = loaded.ini;
  EXPECT_EQ(FixedTextView(ini.iniPath), "");
  EXPECT_EQ(FixedTextView(ini.load_fw), "*.ROM");
  EXPECT_EQ(ini.update_qor_584_spi_flash_rom, 1);
  EXPECT_EQ(ini.erase_all_content_of_spi_flash_rom_only, 0);
  EXPECT_EQ(ini.update_qor_584_spi_flash_rom_register_table_only, 0);
  EXPECT_EQ(ini.dont_update_customer_configuration_table, 0);
  EXPECT_EQ(ini.dont_update_firmware_record_table, 0);
  EXPECT_EQ(ini.ucEnArgs, 0);
  EXPECT_EQ(FixedTextView(ini.ucArgs), "241224000002");
  EXPECT_EQ(loaded.restriction.m_bLimitFWVer, 0);
  EXPECT_EQ(loaded.restriction.strLimitFWVer, "241224000002");
  for (std::size_t device = 0; device < kIniDeviceCount; ++device) {
    EXPECT_EQ(ini.DEV[device], device < 2 ? 1 : 0) << device;
  }
  EXPECT_EQ(ini.savelog_enable, 1);
  EXPECT_EQ(FixedTextView(ini.savelog_path), "SampleLog.csv");
  EXPECT_TRUE(trace.Contains("ucTotalINICountLine : 29 , dwErrorCode"));
  EXPECT_TRUE(trace.Contains("m_bLimitFWVer:[0] m_pINI.ucEnArgs:[0], strItemValue=[0]"));
  EXPECT_TRUE(trace.Contains("m_pINI.ucArgs:[241224000002] strItemValue:[241224000002]"));
  EXPECT_TRUE(trace.Contains("ERR::CTamselDlg::LoadINIFile:"));
  EXPECT_TRUE(trace.Contains("strLimitFWVer:[241224000002]"));
}

const char kStoredDefaultText[] =
    "ini path=/work/584upd.ini\r\n"
    "\r\n"
    "[fw_update_function]\r\n"
    "load_fw=*.ROM\r\n"
    "erase_all_content_of_spi_flash_rom_only=0\r\n"
    "update_qor_584_spi_flash_rom=1\r\n"
    "don't_update_customer_configuration_table=0\r\n"
    "don't_update_firmware_record_table=0\r\n"
    "update_qor_584_spi_flash_rom_register_table_only=0\r\n"
    "DEV 0=1\r\nDEV 1=1\r\nDEV 2=0\r\nDEV 3=0\r\nDEV 4=0\r\nDEV 5=0\r\nDEV 6=0\r\nDEV 7=0\r\n"
    "DEV 8=0\r\nDEV 9=0\r\nDEV 10=0\r\nDEV 11=0\r\nDEV 12=0\r\nDEV 13=0\r\nDEV 14=0\r\nDEV 15=0\r\n"
    "[LOG]\r\n"
    "savelog_enable=1\r\n"
    "savelog_path=SampleLog.csv\r\n"
    "\r\n";

TEST(StoreINIFile, WritesTheTwentyNineLinesAndLoadsBackTheSameRecord) {
  ScratchDirectory dir;
  Loaded defaults;
  LoadINIFile(kDefaultIniPath, defaults.ini, defaults.restriction);
  SetFixedText(defaults.ini.iniPath, "/work/584upd.ini");
  ASSERT_TRUE(StoreINIFile(dir.Path("584upd.ini"), defaults.ini));
  EXPECT_EQ(dir.Read("584upd.ini"), kStoredDefaultText);

  TraceCapture trace;
  VersionRestriction untouched{1, "KEEP"};
  IniSettings again;
  EXPECT_FALSE(LoadINIFile(dir.Path("584upd.ini"), again, untouched));  // 27 lines > 20
  EXPECT_TRUE(trace.Contains("ucTotalINICountLine : 27"));
  IniSettings expected = defaults.ini;
  expected.iniPath = {};  // never read from the file
  expected.ucEnArgs = 0;  // the restriction keys are not stored
  expected.ucArgs = {};
  EXPECT_EQ(std::memcmp(&again, &expected, sizeof(IniSettings)), 0);
  EXPECT_EQ(untouched.m_bLimitFWVer, 1);
  EXPECT_EQ(untouched.strLimitFWVer, "KEEP");
}

TEST(StoreINIFile, ReplacesAnExistingFileWhole) {
  ScratchDirectory dir;
  dir.Write("584upd.ini", std::string(5000, 'x'));
  IniSettings ini;
  ini.DEV[15] = 255;
  ASSERT_TRUE(StoreINIFile(dir.Path("584upd.ini"), ini));
  const std::string text = dir.Read("584upd.ini");
  EXPECT_EQ(text.find('x'), std::string::npos);
  EXPECT_NE(text.find("DEV 15=255\r\n[LOG]\r\n"), std::string::npos);
}

TEST(StoreINIFile, FailsWithTraceWhereTheFileCannotBeCreated) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.Path("584upd.ini"));
  TraceCapture trace;
  IniSettings ini;
  EXPECT_FALSE(StoreINIFile(dir.Path("584upd.ini"), ini));
  EXPECT_TRUE(trace.Contains("StoreINIFile: strINIFilePath open failed : " + dir.Path("584upd.ini")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("584upd.ini")));  // a directory is never deleted
  EXPECT_FALSE(StoreINIFile(dir.Path("missing/584upd.ini"), ini));
}

TEST(StoreINIFile, ReadOnlyFileIsNeitherDeletedNorReplaced) {
  ScratchDirectory dir;
  dir.Write("584upd.ini", "kept");
  std::filesystem::permissions(dir.Path("584upd.ini"), std::filesystem::perms::owner_read);
  TraceCapture trace;
  EXPECT_FALSE(StoreINIFile(dir.Path("584upd.ini"), IniSettings{}));
  EXPECT_EQ(dir.Read("584upd.ini"), "kept");
  EXPECT_TRUE(trace.Contains("StoreINIFile: strINIFilePath"));
}

TEST(StoreINIFile, FullDiskFailsWithTraceAndLeavesNoHalfFile) {
  SmallTmpfs disk("size=4k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  disk.Fill();
  TraceCapture trace;
  IniSettings ini;
  SetFixedText(ini.load_fw, std::string(254, 'p'));
  EXPECT_FALSE(StoreINIFile(disk.Path("584upd.ini"), ini));
  EXPECT_TRUE(trace.Contains("StoreINIFile: strINIFilePath"));
  EXPECT_TRUE(trace.Contains("dwErrorCode 28"));
  EXPECT_FALSE(std::filesystem::exists(disk.Path("584upd.ini")) &&
               std::filesystem::file_size(disk.Path("584upd.ini")) > 0);
}

struct ReaderCase {
  const char* name;
  std::string text;
  bool result;
  std::function<void(const Loaded&)> check;
};

class IniReaderRules : public testing::TestWithParam<ReaderCase> {};

TEST_P(IniReaderRules, Apply) {
  ScratchDirectory dir;
  const Loaded loaded = LoadText(dir, GetParam().text);
  EXPECT_EQ(loaded.result, GetParam().result);
  GetParam().check(loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IniReaderRules,
    testing::Values(
        ReaderCase{"CapitalKeyBlanksAndComment", "LOAD_FW  =  C:\\fw\\a.rom  //note\r\n", true,
                   [](const Loaded& l) { EXPECT_EQ(FixedTextView(l.ini.load_fw), "C:\\fw\\a.rom"); }},
        ReaderCase{"SlashCutsAValue", "savelog_path=logs/day.csv\n", true,
                   [](const Loaded& l) { EXPECT_EQ(FixedTextView(l.ini.savelog_path), "logs"); }},
        ReaderCase{"NumbersKeepLowEightBits",
                   "DEV 0=257\nDEV 1=abc\nDEV 2=-1\nDEV 3=+7x\nDEV 4=99999999999999999999\n", true,
                   [](const Loaded& l) {
                     EXPECT_EQ(l.ini.DEV[0], 1);
                     EXPECT_EQ(l.ini.DEV[1], 0);
                     EXPECT_EQ(l.ini.DEV[2], 255);
                     EXPECT_EQ(l.ini.DEV[3], 7);
                     EXPECT_EQ(l.ini.DEV[4], 255);  // 10^20 - 1 modulo 256
                   }},
        ReaderCase{"DeviceKeyWithoutBlankIsUnknown", "DEV 5=1\nDEV5=0\n", false,
                   [](const Loaded& l) { EXPECT_EQ(l.ini.DEV[5], 1); }},
        ReaderCase{"SecondValueWins", "load_fw=long/name.rom\nload_fw=ab\nDEV 9=1\nDEV 9=0\n", true,
                   [](const Loaded& l) {
                     EXPECT_EQ(FixedTextView(l.ini.load_fw), "ab");
                     EXPECT_EQ(l.ini.DEV[9], 0);
                   }},
        ReaderCase{"EmptyLinesAreNotCounted",
                   std::string(40, '\n') + "DEV 0=1\r\n\r\n\r\n" +
                       [] {
                         std::string s;
                         for (int i = 1; i < 19; ++i) s += "DEV " + std::to_string(i % 16) + "=1\n";
                         return s;
                       }(),
                   true, [](const Loaded& l) { EXPECT_EQ(l.ini.DEV[0], 1); }},
        ReaderCase{"TwentyRecognisedLinesLoadTrue",
                   [] {
                     std::string s = "[fw_update_function]\r\n\r\n[LOG]\r\nini path=x\r\n";
                     for (int i = 0; i < 16; ++i) s += "DEV " + std::to_string(i) + "=1\r\n\r\n";
                     return s;
                   }(),
                   true, [](const Loaded& l) { EXPECT_EQ(l.ini.DEV[15], 1); }},
        ReaderCase{
            "TwentyOneLinesLoadFalseButKeepValues",
            [] {
              std::string s =
                  "[fw_update_function]\r\n[LOG]\r\nini path=x\r\nload_fw=a.rom\r\nsavelog_enable=1\r\n";
              for (int i = 0; i < 16; ++i) s += "DEV " + std::to_string(i) + "=1\r\n";
              return s;
            }(),
            false,
            [](const Loaded& l) {
              EXPECT_EQ(FixedTextView(l.ini.load_fw), "a.rom");
              EXPECT_EQ(l.ini.savelog_enable, 1);
            }},
        ReaderCase{"IniPathIsNeverTaken", "ini path=/elsewhere.ini\n", true,
                   [](const Loaded& l) { EXPECT_EQ(FixedTextView(l.ini.iniPath), ""); }},
        ReaderCase{"RestrictionKeysSetTheDialogMembers",
                   "enable_CommandLineArgs=1\nCommandLineArgs= 2506XX00bc00 \n", true,
                   [](const Loaded& l) {
                     EXPECT_EQ(l.ini.ucEnArgs, 1);
                     EXPECT_EQ(l.restriction.m_bLimitFWVer, 1);
                     EXPECT_EQ(l.restriction.strLimitFWVer, "2506XX00bc00");
                   }},
        ReaderCase{"LongValuesAreCutTo254",
                   "load_fw=" + std::string(std::size_t{10} << 20, 'p') + "\n" +
                       "savelog_path=" + std::string(300, 's'),
                   true,
                   [](const Loaded& l) {
                     EXPECT_EQ(FixedTextView(l.ini.load_fw), std::string(254, 'p'));
                     EXPECT_EQ(FixedTextView(l.ini.savelog_path), std::string(254, 's'));
                   }},
        ReaderCase{"TenMegabyteLineWithoutEqualsIsUnknown",
                   std::string(std::size_t{10} << 20, 'k') + "\nDEV 3=1", false,
                   [](const Loaded& l) { EXPECT_EQ(l.ini.DEV[3], 1); }},
        ReaderCase{"BinaryGarbageIsUnknown", std::string("\x01\xff\x00=\x80\x7f\r\r\n\xfe", 10), false,
                   [](const Loaded& l) { EXPECT_EQ(FixedTextView(l.ini.load_fw), ""); }},
        ReaderCase{"WhiteSpaceOnlyLineCountsAndIsUnknown", " \t\r\n", false, [](const Loaded&) {}}),
    [](const testing::TestParamInfo<ReaderCase>& param) { return std::string(param.param.name); });

TEST(LoadINIFile, MissingOrDirectoryClearsTheRecordWithTrace) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.Path("dir.ini"));
  for (const std::string& path : {dir.Path("absent.ini"), dir.Path("dir.ini")}) {
    TraceCapture trace;
    IniSettings ini;
    ini.DEV[3] = 1;
    SetFixedText(ini.load_fw, "old");
    VersionRestriction restriction;
    EXPECT_FALSE(LoadINIFile(path, ini, restriction));
    const IniSettings cleared{};
    EXPECT_EQ(std::memcmp(&ini, &cleared, sizeof(IniSettings)), 0);
    EXPECT_EQ(FixedTextView(ini.load_fw), "");
    EXPECT_TRUE(trace.Contains("LoadINIFile: strINIFilePath : " + path + " , dwErrorCode")) << path;
  }
}

TEST(ParseIniNumber, ReadsLikeAtoiAndKeepsLowBits) {
  const struct {
    const char* text;
    uint8_t value;
  } cases[] = {{"0", 0},  {"1", 1}, {"255", 255}, {"256", 0},    {"257", 1}, {"-1", 255}, {"-256", 0},
               {"+3", 3}, {"", 0},  {"-", 0},     {"12abc", 12}, {"x1", 0},  {"1 2", 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(ParseIniNumber(c.text), c.value) << c.text;
  }
}

}  // namespace
}  // namespace tamsel
