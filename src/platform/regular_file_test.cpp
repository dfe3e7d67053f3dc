#include "platform/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/temporary_directory.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

// A fresh directory with a file "outside" that links may point at.
class RegularFileTest : public testing::Test {
 protected:
  RegularFileTest() { Put("outside", "outside bytes"); }
  std::string Path(const std::string& name) const { return directory_.Path(name); }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TemporaryDirectory directory_;
};

struct ModeCase {
  const char* name;
  RegularFileMode mode;
  int errorWhenAbsent;    // 0: the mode creates the file
  int errorWhenExisting;  // 0: the mode opens an existing file
  bool emptiesExisting;   // an opened existing file is emptied
  bool followsLink;       // a final link is followed
  int errorOnLink;        // what a link to a regular file gives when not followed
};

const ModeCase kModes[] = {
    {"Read", RegularFileMode::kRead, ENOENT, 0, false, false, ELOOP},
    {"ReadFollowingLink", RegularFileMode::kReadFollowingLink, ENOENT, 0, false, true, 0},
    {"CreateNew", RegularFileMode::kCreateNew, 0, EEXIST, false, false, EEXIST},
    {"OpenOrCreate", RegularFileMode::kOpenOrCreate, 0, 0, false, false, ELOOP},
    {"Replace", RegularFileMode::kReplace, 0, 0, true, false, ELOOP},
    {"Append", RegularFileMode::kAppend, ENOENT, 0, false, false, ELOOP},
    {"AppendOrCreate", RegularFileMode::kAppendOrCreate, 0, 0, false, false, ELOOP},
    {"Hold", RegularFileMode::kHold, 0, 0, false, false, ELOOP},
};

class EachMode : public RegularFileTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(EachMode, OpensRegularFilesAsItsModeSays) {
  const ModeCase& c = GetParam();
  int error = 0;
  RegularFile absent = RegularFile::Open(Path("absent"), c.mode, error);
  EXPECT_EQ(error, c.errorWhenAbsent);
  EXPECT_EQ(absent.isOpen(), c.errorWhenAbsent == 0);
  EXPECT_EQ(fs::exists(Path("absent")), c.errorWhenAbsent == 0);

  Put("existing", "kept?");
  RegularFile existing = RegularFile::Open(Path("existing"), c.mode, error);
  EXPECT_EQ(error, c.errorWhenExisting);
  EXPECT_EQ(Get("existing"), c.emptiesExisting ? "" : "kept?");
}

TEST_P(EachMode, NeverWritesThroughALinkNorWaitsOnAFifo) {
  const ModeCase& c = GetParam();
  fs::create_symlink(Path("outside"), Path("link"));
  fs::create_symlink(Path("nowhere"), Path("dangling"));
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("folder"));

  int error = 0;
  RegularFile link = RegularFile::Open(Path("link"), c.mode, error);
  EXPECT_EQ(link.isOpen(), c.followsLink);
  EXPECT_EQ(error, c.errorOnLink);
  EXPECT_EQ(Get("outside"), "outside bytes");

  if (!c.followsLink) {
    RegularFile dangling = RegularFile::Open(Path("dangling"), c.mode, error);
    EXPECT_FALSE(dangling.isOpen());
    EXPECT_FALSE(fs::exists(Path("nowhere"))) << "created through a dangling link";
  }

  // Without a reader or writer on the other end, a blocking open would wait for ever.
  RegularFile fifo = RegularFile::Open(Path("fifo"), c.mode, error);
  EXPECT_FALSE(fifo.isOpen());
  EXPECT_NE(error, 0);
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));

  RegularFile folder = RegularFile::Open(Path("folder"), c.mode, error);
  EXPECT_FALSE(folder.isOpen());
  EXPECT_NE(error, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, EachMode, testing::ValuesIn(kModes),
                         [](const testing::TestParamInfo<ModeCase>& param) { return param.param.name; });

TEST_F(RegularFileTest, AppendModeWritesAfterWhatOthersAppendedAndTellsWhereItsBytesEnd) {
  Put("log", "first\n");
  int error = 0;
  RegularFile mine = RegularFile::Open(Path("log"), RegularFileMode::kAppend, error);
  RegularFile other = RegularFile::Open(Path("log"), RegularFileMode::kAppend, error);
  ASSERT_TRUE(mine.isOpen() && other.isOpen());
  EXPECT_EQ(other.WriteOnce("other\n").end, 12u);
  const RegularFile::Written written = mine.WriteOnce("mine\n");
  EXPECT_EQ(written.bytes, 5u);
  EXPECT_EQ(written.end, 17u);
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(Get("log"), "first\nother\nmine\n");
}

TEST_F(RegularFileTest, ReadsSizesAndTruncates) {
  Put("data", "0123456789");
  int error = 0;
  RegularFile file = RegularFile::Open(Path("data"), RegularFileMode::kRead, error);
  ASSERT_TRUE(file.isOpen());
  std::uint64_t size = 0;
  ASSERT_TRUE(file.Size(size, error));
  EXPECT_EQ(size, 10u);
  std::uint8_t bytes[16] = {};
  std::size_t got = 0;
  ASSERT_TRUE(file.Read(bytes, 4, got, error));
  EXPECT_EQ(std::string(bytes, bytes + got), "0123");
  ASSERT_TRUE(file.Read(bytes, sizeof bytes, got, error));
  EXPECT_EQ(std::string(bytes, bytes + got), "456789");
  EXPECT_TRUE(file.Close(error));

  RegularFile writer = RegularFile::Open(Path("data"), RegularFileMode::kOpenOrCreate, error);
  ASSERT_TRUE(writer.Truncate(3, error));
  EXPECT_EQ(Get("data"), "012");
}

}  // namespace
}  // namespace tamsel
