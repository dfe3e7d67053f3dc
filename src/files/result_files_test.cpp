#include "files/result_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

// Points the process-wide history writer at a scratch directory, a fixed
// clock and a captured echo, and restores the defaults afterwards.
class HistoryTest : public testing::Test {
 protected:
  HistoryTest() : clock(LocalDateTime{2026, 12, 10, 9, 5, 7, 0}), echo(std::tmpfile()) {
    History().SetDirectory(dir.dir());
    History().SetClock(&clock);
    History().SetEcho(echo);
  }
  ~HistoryTest() override {
    History().SetDirectory("");
    History().SetClock(nullptr);
    History().SetEcho(stdout);
    std::fclose(echo);
  }

  std::string Echoed() {
    std::fflush(echo);
    std::rewind(echo);
    std::string text;
    for (int c = std::fgetc(echo); c != EOF; c = std::fgetc(echo)) {
      text += static_cast<char>(c);
    }
    return text;
  }

  ScratchDirectory dir;
  FixedLocalClock clock;
  std::FILE* echo;
};

TEST_F(HistoryTest, EntriesAreStampedLinesWithCrLfAndEchoedWithLf) {
  vWriteHistory("Dev[%d]::Update SPI Flash Pass!\n", 3);
  vWriteHistory("Error => Dev[%d]::failed, %d", 2, 9);
  vWriteHistory("%s\n", "QOR584xFWUpgrade Success !");
  EXPECT_EQ(dir.Read("history.log"),
            "2026-12-10 09:05:07 Dev[3]::Update SPI Flash Pass!\r\n"
            "2026-12-10 09:05:07 Error => Dev[2]::failed, 9\r\n"
            "2026-12-10 09:05:07 QOR584xFWUpgrade Success !\r\n");
  EXPECT_EQ(Echoed(),
            "2026-12-10 09:05:07 Dev[3]::Update SPI Flash Pass!\n\n"
            "2026-12-10 09:05:07 Error => Dev[2]::failed, 9\n"
            "2026-12-10 09:05:07 QOR584xFWUpgrade Success !\n\n");
}

TEST_F(HistoryTest, LongMessagesAreCutAndTheFileOnlyGrows) {
  dir.Write("history.log", "older entry\r\n");
  vWriteHistory("%s", std::string(2000, 'm').c_str());
  EXPECT_EQ(dir.Read("history.log"), "older entry\r\n2026-12-10 09:05:07 " + std::string(1023, 'm') + "\r\n");
}

TEST_F(HistoryTest, UnwritableHistoryLosesTheEntrySilentlyButStillEchoes) {
  fs::create_directory(dir.Path("history.log"));
  vWriteHistory("Begin to check the file");
  EXPECT_TRUE(fs::is_directory(dir.Path("history.log")));
  EXPECT_EQ(Echoed(), "2026-12-10 09:05:07 Begin to check the file\n");
  History().SetEcho(nullptr);  // no standard output at all must not fail either
  vWriteHistory("Check file fail.");
}

TEST(HistoryFileText, TurnsInnerLineFeedsIntoCrLf) {
  EXPECT_EQ(HistoryFileText("S", "a\nb"), "S a\r\nb\r\n");
  EXPECT_EQ(HistoryFileText("S", "a\r\n"), "S a\r\n");
  EXPECT_EQ(HistoryFileText("S", ""), "S \r\n");
}

TEST(VWriteResultFile, WritesTheVerdictOverAnyOldOne) {
  ScratchDirectory dir;
  dir.Write("result.log", "Pass\r\nleftover");
  EXPECT_TRUE(vWriteResultFile(dir.dir(), 0));
  EXPECT_EQ(dir.Read("result.log"), "Fail\r\n");
  EXPECT_TRUE(vWriteResultFile(dir.dir(), 1));
  EXPECT_EQ(dir.Read("result.log"), "Pass\r\n");
  EXPECT_FALSE(vWriteResultFile(dir.Path("missing"), 1));
}

TEST(NOutputVerTextFile, OneUpperCaseLinePerDevice) {
  ScratchDirectory dir;
  DeviceTable devices;
  devices.uc584Host = 2;
  devices.slots[0].fwVersionRegs = {0x25, 0x06, 0x13, 0x00, 0xBC, 0x00, 0x11, 0x22};
  devices.slots[1].fwVersionRegs = {0x25, 0x06, 0x13, 0x00, 0xBC, 0x01, 0x00, 0x00};
  devices.slots[1].bus = 4;
  TraceCapture trace;
  EXPECT_EQ(nOutputVerTextFile(dir.dir(), devices), 0);
  EXPECT_EQ(dir.Read("QorxVersion.txt"), "25061300BC00\r\n25061300BC01\r\n");
  EXPECT_TRUE(trace.Contains("CTamselDlg::nOutputVerTextFile:"));
  EXPECT_TRUE(trace.Contains(": 1:25061300BC01[04:00.00]"));

  devices.uc584Host = 0;
  EXPECT_EQ(nOutputVerTextFile(dir.dir(), devices), 0);
  EXPECT_EQ(dir.Read("QorxVersion.txt"), "");
}

TEST(NOutputVerTextFile, FailedCreationIsTraced) {
  ScratchDirectory dir;
  fs::create_directory(dir.Path("QorxVersion.txt"));
  TraceCapture trace;
  EXPECT_EQ(nOutputVerTextFile(dir.dir(), DeviceTable{}), 0);
  EXPECT_TRUE(trace.Contains(":   CreateFile Failed,OUTPUT_VERSION_FILE_NAME=QorxVersion.txt,Error=21"));
}

}  // namespace
}  // namespace tamsel
