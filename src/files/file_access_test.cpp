#include "files/file_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/scratch_directory.h"
#include "files/small_tmpfs.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

constexpr int kWriters = 4;

// "writer W line N" padded to a fixed length, so a cut or interleaved line shows.
std::string LineOf(int writer, int number) {
  std::string line = "writer " + std::to_string(writer) + " line " + std::to_string(number);
  line.resize(60, '.');
  return line + "\r\n";
}

// Runs the body on kWriters threads at once, one writer number each.
void RunWriters(const std::function<void(int writer)>& body) {
  std::vector<std::thread> writers;
  writers.reserve(kWriters);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back(body, w);
  }
  for (std::thread& writer : writers) {
    writer.join();
  }
}

// The lines of the file; false when some line is not one the writers write.
bool SplitLines(const std::string& text, std::multiset<std::string>& lines) {
  std::istringstream in(text);
  std::string line;
  bool wellFormed = true;
  while (std::getline(in, line)) {
    line += '\n';
    wellFormed = wellFormed && line.size() == 62 && line.rfind("writer ", 0) == 0;
    lines.insert(line);
  }
  return wellFormed;
}

// Writers appending to one file at once, each on its own descriptor as two
// instances of the program would: every line arrives once, whole.
TEST(AppendToFile, ConcurrentWritersLoseAndGarbleNothing) {
  ScratchDirectory dir;
  const std::string path = dir.Path("history.log");
  constexpr int kLines = 300;
  RunWriters([&path](int w) {
    for (int n = 0; n < kLines; ++n) {
      int error = 0;
      AppendToFile(path, LineOf(w, n), error, AppendTarget::kCreateWhenAbsent);
    }
  });
  std::multiset<std::string> lines;
  EXPECT_TRUE(SplitLines(dir.Read("history.log"), lines));
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(kWriters * kLines));
  for (int w = 0; w < kWriters; ++w) {
    for (int n = 0; n < kLines; ++n) {
      EXPECT_EQ(lines.count(LineOf(w, n)), 1u) << LineOf(w, n);
    }
  }
}

// Writers appending at once until the disk is full: a writer whose append
// fails cuts back only its own bytes, never a line another writer appended
// after it, and no broken line is left.
TEST(AppendToFile, FailedAppendOnAFullDiskNeverCutsAnotherWritersLine) {
  SmallTmpfs disk("size=64k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  const std::string path = disk.Path("20261210.log");
  int error = 0;
  ASSERT_TRUE(WriteWholeFile(path, "", error));
  std::vector<std::vector<std::string>> appended(kWriters);
  RunWriters([&path, &appended](int w) {
    int failures = 0;
    for (int n = 0; failures < 50 && n < 5000; ++n) {
      int appendError = 0;
      const std::string line = LineOf(w, n);
      if (AppendToFile(path, line, appendError)) {
        appended[w].push_back(line);
      } else {
        ++failures;
      }
    }
  });
  std::multiset<std::string> lines;
  EXPECT_TRUE(SplitLines(ScratchDirectory::ReadFile(path), lines));
  std::size_t total = 0;
  for (const std::vector<std::string>& mine : appended) {
    total += mine.size();
    for (const std::string& line : mine) {
      EXPECT_EQ(lines.count(line), 1u) << line;
    }
  }
  EXPECT_EQ(lines.size(), total);
  EXPECT_GT(total, 0u);
}

TEST(AppendToFile, FailedAppendLeavesTheEarlierLinesExactly) {
  SmallTmpfs disk("size=8k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  const std::string path = disk.Path("history.log");
  int error = 0;
  ASSERT_TRUE(AppendToFile(path, "earlier line\r\n", error, AppendTarget::kCreateWhenAbsent));
  disk.Fill();
  EXPECT_FALSE(AppendToFile(path, std::string(20000, 'x'), error));
  EXPECT_EQ(error, ENOSPC);
  EXPECT_EQ(ScratchDirectory::ReadFile(path), "earlier line\r\n");
}

TEST(AppendToFile, ExistingFileOnlyUnlessAskedToCreate) {
  ScratchDirectory dir;
  int error = 0;
  EXPECT_FALSE(AppendToFile(dir.Path("absent"), "x", error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(fs::exists(dir.Path("absent")));
  EXPECT_TRUE(AppendToFile(dir.Path("absent"), "x", error, AppendTarget::kCreateWhenAbsent));
  EXPECT_EQ(dir.Read("absent"), "x");
}

// Each writer against what is not a regular file of the program's own: it
// fails and leaves the link's target, the FIFO and the directory as they were.
TEST(FileWriters, RefuseLinksFifosAndDirectories) {
  using Writer = bool (*)(const std::string&, int&);
  const struct {
    const char* name;
    Writer write;
  } writers[] = {
      {"CreateFileIfAbsent", [](const std::string& p, int& e) { return CreateFileIfAbsent(p, e); }},
      {"WriteWholeFile", [](const std::string& p, int& e) { return WriteWholeFile(p, "new", e); }},
      {"WriteNewFile", [](const std::string& p, int& e) { return WriteNewFile(p, "new", e); }},
      {"AppendToFile", [](const std::string& p, int& e) { return AppendToFile(p, "new", e); }},
      {"AppendToFile creating",
       [](const std::string& p, int& e) {
         return AppendToFile(p, "new", e, AppendTarget::kCreateWhenAbsent);
       }},
  };
  ScratchDirectory dir;
  ScratchDirectory elsewhere;
  elsewhere.Write("target", "precious");
  fs::create_symlink(elsewhere.Path("target"), dir.Path("link"));
  fs::create_symlink(elsewhere.Path("nothing"), dir.Path("dangling"));
  fs::create_directory(dir.Path("folder"));
  ASSERT_EQ(mkfifo(dir.Path("fifo").c_str(), 0600), 0);
  for (const auto& writer : writers) {
    for (const char* name : {"link", "dangling", "folder", "fifo"}) {
      int error = 0;
      EXPECT_FALSE(writer.write(dir.Path(name), error)) << writer.name << " " << name;
      EXPECT_NE(error, 0) << writer.name << " " << name;
    }
    EXPECT_EQ(elsewhere.Read("target"), "precious") << writer.name;
    EXPECT_FALSE(fs::exists(elsewhere.Path("nothing"))) << writer.name;
    EXPECT_TRUE(fs::is_fifo(dir.Path("fifo"))) << writer.name;
    EXPECT_TRUE(fs::is_directory(dir.Path("folder"))) << writer.name;
  }
}

TEST(ReadWholeFile, RefusesALinkOfItsOwnName) {
  ScratchDirectory dir;
  dir.Write("target", "settings elsewhere");
  fs::create_symlink(dir.Path("target"), dir.Path("584upd.ini"));
  std::vector<uint8_t> bytes;
  int error = 0;
  EXPECT_FALSE(ReadWholeFile(dir.Path("584upd.ini"), bytes, error));
  EXPECT_EQ(error, ELOOP);
  EXPECT_TRUE(bytes.empty());
}

TEST(WriteNewFile, NeverEmptiesAnExistingFile) {
  ScratchDirectory dir;
  dir.Write("day.log", "earlier lines\r\n");
  int error = 0;
  bool opened = true;
  EXPECT_FALSE(WriteNewFile(dir.Path("day.log"), "header\r\n", error, &opened));
  EXPECT_EQ(error, EEXIST);
  EXPECT_FALSE(opened);
  EXPECT_EQ(dir.Read("day.log"), "earlier lines\r\n");
  EXPECT_TRUE(WriteNewFile(dir.Path("new.log"), "header\r\n", error));
  EXPECT_EQ(dir.Read("new.log"), "header\r\n");
}

TEST(NamesSameFile, SeesThroughSpellingsAndLinks) {
  ScratchDirectory dir;
  dir.Write("20261210.log", "day");
  fs::create_directory(dir.Path("sub"));
  fs::create_symlink(dir.Path("20261210.log"), dir.Path("linked.csv"));
  fs::create_hard_link(dir.Path("20261210.log"), dir.Path("hard.csv"));
  const std::string day = dir.Path("20261210.log");
  const struct {
    std::string first;
    std::string second;
    bool same;
  } cases[] = {
      {day, day, true},
      {dir.dir() + "/./20261210.log", day, true},
      {dir.dir() + "//sub/../20261210.log", day, true},
      {dir.Path("linked.csv"), day, true},
      {dir.Path("hard.csv"), day, true},
      {dir.dir() + "/sub/../result.log", dir.Path("result.log"), true},  // neither exists yet
      {dir.Path("SampleLog.csv"), day, false},
      {dir.Path("sub/20261210.log"), day, false},
      {dir.Path("result.log"), dir.Path("history.log"), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NamesSameFile(c.first, c.second), c.same) << c.first << " ~ " << c.second;
  }
}

TEST(NamesSameFile, TakesRelativePathsFromTheCurrentDirectory) {
  ScratchDirectory dir;
  dir.Write("history.log", "h");
  const fs::path saved = fs::current_path();
  fs::current_path(dir.dir());
  EXPECT_TRUE(NamesSameFile("history.log", dir.Path("history.log")));
  EXPECT_TRUE(NamesSameFile("./result.log", dir.Path("result.log")));
  fs::current_path(saved);
}

}  // namespace
}  // namespace tamsel
