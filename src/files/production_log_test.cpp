#include "files/production_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/scratch_directory.h"
#include "files/small_tmpfs.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

constexpr LocalDateTime kWhen{2026, 12, 10, 9, 5, 7, 0};

DeviceSlot MakeSlot(uint8_t bus, std::array<uint8_t, 8> version, const char* oprom, uint32_t status) {
  DeviceSlot slot;
  slot.bus = bus;
  slot.device = 0;
  slot.function = 0;
  slot.controller.vendorId = 0x1E9C;
  slot.controller.deviceId = 0x5844;
  slot.fwVersionRegs = version;
  SetFixedText(slot.opromVersionText, oprom);
  slot.status = status;
  return slot;
}

IniSettings UpdateRun() {
  IniSettings ini;
  ini.update_qor_584_spi_flash_rom = 1;
  ini.savelog_enable = 1;
  SetFixedText(ini.savelog_path, "SampleLog.csv");
  return ini;
}

class ProductionLogTest : public testing::Test {
 protected:
  ProductionLogTest() : clock(kWhen), ini(UpdateRun()) {
    devices.uc584Host = 2;
    devices.slots[0] = MakeSlot(3, {0x00, 0x01, 0x02, 0x0A, 0x0B, 0xFF, 0, 0}, "1.6a", 10);
    devices.slots[1] = MakeSlot(4, {0x25, 0x06, 0x13, 0x00, 0xBC, 0x00, 0, 0}, "Invalid", 13);
  }

  bool Save() { return bSaveLog(ProductionLogSetting{startDir, devices, ini, "1300BC00.ROM", clock}); }

  ScratchDirectory dir;
  std::string startDir = dir.dir();
  FixedLocalClock clock;
  IniSettings ini;
  DeviceTable devices;
};

const std::string kTwoLines =
    "20261210\t09:05:07\t0\t0001020a0bff\t3\t0\t0\t1e9c\t5844\t1300BC00.ROM\tNone\tPass\tPass\t1.6a\r\n"
    "20261210\t09:05:07\t1\t25061300bc00\t4\t0\t0\t1e9c\t5844\t1300BC00.ROM\tNone\tFail\tFail\tInva\r\n";

TEST_F(ProductionLogTest, FirstRunCreatesTheDayFileWithHeaderAndLaterRunsAppend) {
  ASSERT_TRUE(Save());
  const std::string header(kProductionLogHeader);
  EXPECT_EQ(header.size(), 130u);
  EXPECT_EQ(dir.Read("20261210.log"), header + kTwoLines);
  EXPECT_EQ(dir.Read("SampleLog.csv"), header + kTwoLines);

  ASSERT_TRUE(Save());
  EXPECT_EQ(dir.Read("20261210.log"), header + kTwoLines + kTwoLines);
  EXPECT_EQ(dir.Read("SampleLog.csv"), dir.Read("20261210.log"));
}

TEST_F(ProductionLogTest, NoDeviceWritesTheHeaderOnlyAndStillRefreshesTheCopy) {
  devices.uc584Host = 0;
  dir.Write("SampleLog.csv", "old copy");
  ASSERT_TRUE(Save());
  EXPECT_EQ(dir.Read("20261210.log"), std::string(kProductionLogHeader));
  EXPECT_EQ(dir.Read("SampleLog.csv"), std::string(kProductionLogHeader));
}

TEST_F(ProductionLogTest, CopyDisabledOrUnnamedLeavesAnOlderCopyAlone) {
  dir.Write("SampleLog.csv", "old copy");
  ini.savelog_enable = 0;
  ASSERT_TRUE(Save());
  ini.savelog_enable = 1;
  SetFixedText(ini.savelog_path, "");
  ASSERT_TRUE(Save());
  EXPECT_EQ(dir.Read("SampleLog.csv"), "old copy");
}

TEST_F(ProductionLogTest, CopyGoesToAnAbsolutePathToo) {
  ScratchDirectory elsewhere;
  SetFixedText(ini.savelog_path, elsewhere.Path("copy.txt"));
  ASSERT_TRUE(Save());
  EXPECT_EQ(elsewhere.Read("copy.txt"), dir.Read("20261210.log"));
}

TEST_F(ProductionLogTest, ReadOnlyCopyIsNeitherDeletedNorReplaced) {
  dir.Write("SampleLog.csv", "kept");
  fs::permissions(dir.Path("SampleLog.csv"), fs::perms::owner_read);
  TraceCapture trace;
  EXPECT_FALSE(Save());
  EXPECT_EQ(dir.Read("SampleLog.csv"), "kept");
  EXPECT_TRUE(trace.Contains("CTamselDlg::bSaveLog:"));
  EXPECT_TRUE(
      trace.Contains("CopyFile Fail! strSaveLogPath " + dir.Path("SampleLog.csv") + ", dwErrorCode 13"));
  EXPECT_TRUE(
      trace.Contains("vCheckFilePathExists: Not Read/Write , strFilePath : " + dir.Path("SampleLog.csv")));
  EXPECT_EQ(dir.Read("20261210.log"), std::string(kProductionLogHeader) + kTwoLines);  // the lines are in
}

// A day's file that exists but cannot be both read and written (write-only
// was once emptied and given a new header) is left byte for byte as it is.
TEST_F(ProductionLogTest, DayFileThatCannotBeReadOrWrittenIsLeftAlone) {
  for (const fs::perms mode : {fs::perms::owner_write, fs::perms::owner_read, fs::perms::none}) {
    ScratchDirectory day;
    startDir = day.dir();
    day.Write("20261210.log", "earlier lines\r\n");
    fs::permissions(day.Path("20261210.log"), mode);
    TraceCapture trace;
    EXPECT_FALSE(Save()) << static_cast<int>(mode);
    fs::permissions(day.Path("20261210.log"), fs::perms::owner_read);
    EXPECT_EQ(day.Read("20261210.log"), "earlier lines\r\n") << static_cast<int>(mode);
    EXPECT_FALSE(trace.Contains("log header")) << static_cast<int>(mode);
    EXPECT_TRUE(trace.Contains("CTamselDlg::bSaveLog:"));
    EXPECT_TRUE(trace.Contains("strLogFilePath : " + day.Path("20261210.log") + " , dwErrorCode 13"));
    EXPECT_FALSE(fs::exists(day.Path("SampleLog.csv")));  // no copy after a failed append
  }
}

TEST_F(ProductionLogTest, DirectoryInPlaceOfTheDayFileOrMissingStartDirFails) {
  fs::create_directory(dir.Path("20261210.log"));
  TraceCapture trace;
  EXPECT_FALSE(Save());
  EXPECT_TRUE(trace.Contains("vCheckFilePathExists: Not Read/Write"));
  startDir = dir.Path("missing");
  EXPECT_FALSE(Save());
  EXPECT_TRUE(trace.Contains("Create log header failed: " + dir.Path("missing/20261210.log") + " (err=2)"));
}

// A link named like the day's file is not followed: its target (here a
// device that is always full, or a file outside) keeps what it had.
TEST_F(ProductionLogTest, LinkedDayFileIsRefusedAndItsTargetKept) {
  ScratchDirectory elsewhere;
  elsewhere.Write("target", "not a log");
  for (const std::string& target : {std::string("/dev/full"), elsewhere.Path("target")}) {
    ScratchDirectory day;
    startDir = day.dir();
    fs::create_symlink(target, day.Path("20261210.log"));
    TraceCapture trace;
    EXPECT_FALSE(Save()) << target;
    EXPECT_TRUE(trace.Contains("strLogFilePath : " + day.Path("20261210.log") + " , dwErrorCode 40"))
        << target;
    EXPECT_TRUE(fs::is_symlink(day.Path("20261210.log")));
  }
  EXPECT_EQ(elsewhere.Read("target"), "not a log");
}

// The copy must never destroy a record of the day: a savelog_path naming the
// daily log, history.log or result.log, in any spelling, is refused.
TEST_F(ProductionLogTest, CopyOntoARecordOfTheDayIsRefused) {
  dir.Write("history.log", "history\r\n");
  dir.Write("result.log", "Pass\r\n");
  fs::create_directory(dir.Path("sub"));
  const std::string cases[] = {
      "20261210.log",      dir.Path("20261210.log"),    dir.dir() + "/./sub/../20261210.log",
      "history.log",       dir.dir() + "//history.log", "result.log",
      "sub/../result.log",
  };
  std::string dayFile(kProductionLogHeader);
  for (const std::string& savePath : cases) {
    SetFixedText(ini.savelog_path, savePath);
    TraceCapture trace;
    EXPECT_FALSE(Save()) << savePath;
    EXPECT_TRUE(trace.Contains("CopyFile Fail! strSaveLogPath")) << savePath;
    dayFile += kTwoLines;
    EXPECT_EQ(dir.Read("20261210.log"), dayFile) << savePath;
    EXPECT_EQ(dir.Read("history.log"), "history\r\n") << savePath;
    EXPECT_EQ(dir.Read("result.log"), "Pass\r\n") << savePath;
  }
}

// A small tmpfs filled to the brim: a failed append leaves the earlier lines
// intact and no broken line at the end.
TEST_F(ProductionLogTest, FullDiskNeverLosesOrBreaksWrittenLines) {
  SmallTmpfs disk;
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  startDir = disk.dir();
  ini.savelog_enable = 0;
  ASSERT_TRUE(Save());
  const std::string before = ScratchDirectory::ReadFile(disk.Path("20261210.log"));
  disk.Fill();
  TraceCapture trace;
  devices.uc584Host = 16;
  bool failed = false;
  for (int run = 0; run < 20 && !failed; ++run) {
    failed = !Save();
  }
  EXPECT_TRUE(failed);
  EXPECT_TRUE(trace.Contains(", dwErrorCode 28"));
  const std::string after = ScratchDirectory::ReadFile(disk.Path("20261210.log"));
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_TRUE(after.size() >= 2 && after.substr(after.size() - 2) == "\r\n");
}

TEST_F(ProductionLogTest, HeaderOnAFullDiskIsTracedAndLeavesNoHalfHeader) {
  SmallTmpfs disk("size=4k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  disk.Fill();
  startDir = disk.dir();
  TraceCapture trace;
  EXPECT_FALSE(Save());
  EXPECT_TRUE(trace.Contains("CTamselDlg::bSaveLogCreateHead:"));
  EXPECT_TRUE(trace.Contains("Exception writing log header: " + disk.Path("20261210.log")));
  EXPECT_FALSE(fs::exists(disk.Path("20261210.log")) && fs::file_size(disk.Path("20261210.log")) > 0);
}

struct OutcomeCase {
  uint8_t update;
  uint8_t erase;
  uint8_t registerOnly;
  uint32_t status;
  const char* eraseRom;
  const char* fwUpdate;
};

TEST(LogOutcomeFor, PassOnlyForPassingStatusesNoneForUntouchedDevices) {
  const OutcomeCase cases[] = {
      // update run
      {1, 0, 0, 0, "None", "None"},
      {1, 0, 0, 5, "None", "Fail"},
      {1, 0, 0, 9, "None", "Fail"},
      {1, 0, 0, 10, "None", "Pass"},
      {1, 0, 0, 13, "None", "Fail"},
      {1, 0, 0, 16, "None", "Fail"},
      {1, 0, 0, 17, "None", "None"},
      // erase and update
      {1, 1, 0, 0, "None", "None"},
      {1, 1, 0, 5, "Pass", "Fail"},
      {1, 1, 0, 9, "Fail", "Fail"},
      {1, 1, 0, 10, "Pass", "Pass"},
      {1, 1, 0, 13, "Fail", "Fail"},
      {1, 1, 0, 4, "Fail", "Fail"},
      {1, 1, 0, 17, "None", "None"},
      // erase only
      {0, 1, 0, 0, "None", "None"},
      {0, 1, 0, 5, "None", "None"},
      {0, 1, 0, 9, "None", "None"},
      {0, 1, 0, 10, "None", "None"},
      {0, 1, 0, 13, "None", "None"},
      {0, 1, 0, 17, "None", "None"},
      // register table only
      {0, 0, 1, 0, "None", "None"},
      {0, 0, 1, 5, "None", "None"},
      {0, 0, 1, 9, "None", "None"},
      {0, 0, 1, 10, "None", "None"},
      {0, 0, 1, 13, "None", "None"},
      {0, 0, 1, 17, "None", "None"},
  };
  for (const OutcomeCase& c : cases) {
    IniSettings ini;
    ini.update_qor_584_spi_flash_rom = c.update;
    ini.erase_all_content_of_spi_flash_rom_only = c.erase;
    ini.update_qor_584_spi_flash_rom_register_table_only = c.registerOnly;
    const LogOutcome outcome = LogOutcomeFor(ini, c.status);
    EXPECT_EQ(outcome.eraseRom, c.eraseRom) << int(c.update) << int(c.erase) << " status " << c.status;
    EXPECT_EQ(outcome.fwUpdate, c.fwUpdate) << int(c.update) << int(c.erase) << " status " << c.status;
  }
}

TEST(FormatLogRecord, OptionRomColumnIsAlwaysFourCharacters) {
  const struct {
    const char* text;
    const char* column;
  } cases[] = {{"1.6a", "1.6a"},   {"None", "None"}, {"Invalid", "Inva"},
               {"12.345", "12.3"}, {"1.", "1.  "},   {"", "    "}};
  for (const auto& c : cases) {
    const DeviceSlot slot = MakeSlot(0, {}, c.text, 0);
    const std::string line = FormatLogRecord(kWhen, 0, slot, "", LogOutcome{"None", "None"});
    EXPECT_EQ(line.substr(line.size() - 6), std::string(c.column) + "\r\n") << c.text;
  }
}

TEST(DailyLogName, IsTheLocalDate) {
  EXPECT_EQ(DailyLogName(LocalDateTime{2027, 1, 2, 23, 59, 59, 0}), "20270102.log");
}

TEST(VCheckFilePathExists, TellsMissingAndReadOnlyApartAndShowsWhenAsked) {
  class Recorder : public OperatorNotifier {
   public:
    void ShowMessage(const OperatorMessage& message) override { texts.push_back(message.text); }
    std::vector<std::string> texts;
  } notifier;
  ScratchDirectory dir;
  dir.Write("rw", "x");
  dir.Write("ro", "x");
  fs::permissions(dir.Path("ro"), fs::perms::owner_read);
  TraceCapture trace;
  EXPECT_TRUE(vCheckFilePathExists(dir.Path("rw"), 1, &notifier));
  EXPECT_FALSE(vCheckFilePathExists(dir.Path("none"), 1, &notifier));
  EXPECT_FALSE(vCheckFilePathExists(dir.Path("ro"), 0, &notifier));
  ASSERT_EQ(notifier.texts.size(), 1u);
  EXPECT_EQ(notifier.texts[0], dir.Path("none") + " File/Path is not exist");
  EXPECT_TRUE(trace.Contains("CTamselDlg::vCheckFilePathExists:"));
  EXPECT_TRUE(trace.Contains("vCheckFilePathExists: Not Exist , strFilePath : " + dir.Path("none") +
                             " , err : 2 , dwErrorCode 2"));
  EXPECT_TRUE(trace.Contains("vCheckFilePathExists: Not Read/Write , strFilePath : " + dir.Path("ro")));
}

}  // namespace
}  // namespace tamsel
