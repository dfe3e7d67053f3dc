#include "files/embedded_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/built_in_files.h"
#include "files/scratch_directory.h"
#include "files/small_tmpfs.h"
#include "image/image_verify.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Text(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const char* const kWrittenNames[] = {"QorIo.sys", "QorIo64.sys", "584upd.ini", "1300BC00.ROM",
                                     "devconAMD64.exe"};

// A small table of distinct contents in the carried order.
class EmbeddedFilesTest : public testing::Test {
 protected:
  EmbeddedFilesTest()
      : contents{"driver32",    "driver64", "settings\r\n", std::string("1300BC00.ROM\r\n\0\0", 16),
                 "image bytes", "console"},
        blocks{{kBlockDriver32, Bytes(contents[0])},      {kBlockDriver64, Bytes(contents[1])},
               {kBlockSettings, Bytes(contents[2])},      {kBlockFirmwareName, Bytes(contents[3])},
               {kBlockFirmwareImage, Bytes(contents[4])}, {kBlockDeviceConsole, Bytes(contents[5])}} {}

  EmbeddedTable Table() const { return blocks; }
  std::vector<EmbeddedBlock> Without(uint16_t id) const {
    std::vector<EmbeddedBlock> table;
    for (const EmbeddedBlock& block : blocks) {
      if (block.id != id) table.push_back(block);
    }
    return table;
  }

  ScratchDirectory dir;
  std::vector<std::string> contents;
  std::vector<EmbeddedBlock> blocks;
};

TEST_F(EmbeddedFilesTest, ExtractWritesFiveByteIdenticalFilesAndRemovalLeavesNone) {
  dir.Write("584upd.ini", "an operator's own settings");
  dir.Write("keep.txt", "not ours");
  TraceCapture trace;
  std::string name;
  ASSERT_TRUE(vExtractResourceFiles(Table(), dir.dir(), name));
  EXPECT_EQ(name, "1300BC00.ROM");
  EXPECT_EQ(dir.Read("QorIo.sys"), contents[0]);
  EXPECT_EQ(dir.Read("QorIo64.sys"), contents[1]);
  EXPECT_EQ(dir.Read("584upd.ini"), contents[2]);
  EXPECT_EQ(dir.Read("1300BC00.ROM"), contents[4]);
  EXPECT_EQ(dir.Read("devconAMD64.exe"), contents[5]);
  EXPECT_TRUE(trace.Contains("CTamselDlg::vExtractResourceFiles:"));
  EXPECT_TRUE(trace.Contains("m_strFWBinFile: 1300BC00.ROM, lpFwName: 1300BC00.ROM\r\n, dwLen: 16"));
  EXPECT_TRUE(trace.Contains("restore FW.rom to 1300BC00.ROM"));

  EXPECT_TRUE(vRemoveExtractedFiles(Table(), dir.dir()));
  for (const char* written : kWrittenNames) {
    EXPECT_FALSE(fs::exists(dir.Path(written))) << written;
  }
  EXPECT_TRUE(fs::exists(dir.Path("keep.txt")));
  EXPECT_TRUE(trace.Contains(":  !!! strLine: 1300BC00.ROM, lpFwName: 1300BC00.ROM\r\n, dwLen: 16"));
  // Removing again, with everything gone, does nothing and still succeeds.
  EXPECT_TRUE(vRemoveExtractedFiles(Table(), dir.dir()));
}

TEST_F(EmbeddedFilesTest, ExtractionStopsAtTheFirstMissingBlock) {
  struct Case {
    uint16_t missing;
    std::vector<std::string> written;
    const char* trace;
  };
  const Case cases[] = {
      {kBlockDriver32, {}, "ERR::ExtractAndWriteResource:"},
      {kBlockSettings, {"QorIo.sys", "QorIo64.sys"}, "FindResource(132) failed. Error: 2"},
      {kBlockFirmwareName, {"QorIo.sys", "QorIo64.sys", "584upd.ini"}, "FindResource fail: 2"},
      {kBlockFirmwareImage, {"QorIo.sys", "QorIo64.sys", "584upd.ini"}, "FindResource fail: 2"},
      {kBlockDeviceConsole,
       {"QorIo.sys", "QorIo64.sys", "584upd.ini", "1300BC00.ROM"},
       "FindResource(135) failed"},
  };
  for (const Case& c : cases) {
    ScratchDirectory target;
    const std::vector<EmbeddedBlock> table = Without(c.missing);
    TraceCapture trace;
    std::string name;
    EXPECT_FALSE(vExtractResourceFiles(table, target.dir(), name)) << c.missing;
    std::size_t present = 0;
    for (const char* written : kWrittenNames) {
      present += fs::exists(target.Path(written)) ? 1 : 0;
    }
    EXPECT_EQ(present, c.written.size()) << c.missing;
    for (const std::string& written : c.written) {
      EXPECT_TRUE(fs::exists(target.Path(written))) << c.missing << " " << written;
    }
    EXPECT_TRUE(trace.Contains(c.trace)) << c.missing;
  }
}

TEST_F(EmbeddedFilesTest, EmptyBlockAndUnwritableTargetAreTraced) {
  const std::string empty;
  blocks[0].bytes = Bytes(empty);
  TraceCapture trace;
  EXPECT_EQ(ExtractAndWriteResource(Table(), kBlockDriver32, dir.dir(), "QorIo.sys"), 0);
  EXPECT_TRUE(trace.Contains("Invalid resource data or size. ID: 131"));

  fs::create_directory(dir.Path("QorIo64.sys"));
  EXPECT_EQ(ExtractAndWriteResource(Table(), kBlockDriver64, dir.dir(), "QorIo64.sys"), 0);
  EXPECT_TRUE(
      trace.Contains("Failed to write file: " + dir.Path("QorIo64.sys") + ". Reason: Is a directory"));
  EXPECT_EQ(ExtractAndWriteResource(Table(), kBlockDriver64, dir.Path("missing"), "QorIo64.sys"), 0);
}

TEST_F(EmbeddedFilesTest, FullDiskStopsTheExtractionWithTraceAndNoHalfFile) {
  SmallTmpfs disk("size=8k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  disk.Fill();
  const std::string big(std::size_t{64} * 1024, 'd');
  blocks[0].bytes = Bytes(big);
  TraceCapture trace;
  std::string name;
  EXPECT_FALSE(vExtractResourceFiles(Table(), disk.dir(), name));
  EXPECT_TRUE(trace.Contains("Failed to write file: " + disk.Path("QorIo.sys") +
                             ". Reason: No space left on device"));
  EXPECT_FALSE(fs::exists(disk.Path("QorIo.sys")));
  EXPECT_FALSE(fs::exists(disk.Path("QorIo64.sys")));
}

TEST_F(EmbeddedFilesTest, RemovalWithoutTheNameBlockKeepsImageAndTool) {
  std::string name;
  ASSERT_TRUE(vExtractResourceFiles(Table(), dir.dir(), name));
  TraceCapture trace;
  EXPECT_FALSE(vRemoveExtractedFiles(Without(kBlockFirmwareName), dir.dir()));
  EXPECT_TRUE(trace.Contains("CTamselDlg::vRemoveExtractedFiles:"));
  EXPECT_FALSE(fs::exists(dir.Path("584upd.ini")));
  EXPECT_TRUE(fs::exists(dir.Path("1300BC00.ROM")));
  EXPECT_TRUE(fs::exists(dir.Path("devconAMD64.exe")));
}

TEST(FirmwareNameFromBlock, KeepsTheTextThroughTheFirstRom) {
  const struct {
    std::string text;
    const char* name;
  } cases[] = {{"1300BC00.ROM\r\n", "1300BC00.ROM"},
               {std::string("A.ROM\r\n\0\0\0", 10), "A.ROM"},
               {"x.ROM.ROM", "x.ROM"},
               {"lower.rom\r\n", "lower.rom"},
               {std::string("AB\0.ROM", 7), "AB"},
               {"", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(FirmwareNameFromBlock(Bytes(c.text)), c.name) << c.text;
  }
}

// The blocks linked into the program match their build inputs.
TEST(BuiltInEmbeddedFiles, CarryTheBuildInputsByteForByte) {
  const EmbeddedTable table = BuiltInEmbeddedFiles();
  ASSERT_EQ(table.size(), 6u);
  const auto block = [&](uint16_t id) {
    const EmbeddedBlock* found = FindEmbeddedBlock(table, id);
    EXPECT_NE(found, nullptr) << id;
    return found != nullptr ? Text(found->bytes) : std::string();
  };
  const std::string resources = std::string(TAMSEL_SOURCE_DIR) + "/resources/";
  EXPECT_EQ(block(kBlockSettings).size(), 531u);
  EXPECT_EQ(block(kBlockSettings), ScratchDirectory::ReadFile(resources + "584upd.ini"));
  EXPECT_EQ(block(kBlockFirmwareName), "1300BC00.ROM\r\n");
  const std::string image = block(kBlockFirmwareImage);
  EXPECT_EQ(image, ScratchDirectory::ReadFile(TAMSEL_CARRIED_IMAGE));
  const bool generated =
      std::string(TAMSEL_CARRIED_IMAGE) == std::string(TAMSEL_EMBED_DIR) + "/default_image.rom";
  EXPECT_EQ(BuiltInImageKind(), generated ? CarriedImageKind::kStandIn : CarriedImageKind::kFirmware);
  if (generated) {
    ASSERT_EQ(image.size(), 262144u);
    EXPECT_TRUE(QOR7740VerifySpiRomFile(reinterpret_cast<const uint8_t*>(image.data()), 262144));
    EXPECT_EQ(image.substr(0x1E010, 6), std::string("\x25\x06\x13\x00\xBC\x00", 6));
  }
  for (const uint16_t id : {kBlockDriver32, kBlockDriver64, kBlockDeviceConsole}) {
    EXPECT_FALSE(block(id).empty()) << id;
  }

  ScratchDirectory dir;
  std::string name;
  ASSERT_TRUE(vExtractResourceFiles(table, dir.dir(), name));
  EXPECT_EQ(dir.Read("1300BC00.ROM"), image);
  EXPECT_EQ(dir.Read("584upd.ini"), block(kBlockSettings));
  EXPECT_EQ(dir.Read("QorIo.sys"), block(kBlockDriver32));
  EXPECT_TRUE(vRemoveExtractedFiles(table, dir.dir()));
  EXPECT_TRUE(fs::is_empty(dir.dir()));
}

}  // namespace
}  // namespace tamsel
