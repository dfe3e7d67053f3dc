#include "platform/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/trace_capture.h"

namespace tamsel {
namespace {

struct LevelCase {
  int level;
  bool message;
  bool error;
};

class TraceLevelTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(TraceLevelTest, WritesOnlyAtOrAboveItsLevel) {
  const LevelCase& c = GetParam();
  TraceCapture capture(c.level);
  TraceMessage("%s:%d: hello %d", "Routine", 12, 7);
  TraceError("%s:%d: broken", "Routine", 13);
  EXPECT_EQ(capture.Contains("MSG::Routine:12: hello 7"), c.message);
  EXPECT_EQ(capture.Contains("ERR::Routine:13: broken"), c.error);
}

INSTANTIATE_TEST_SUITE_P(Levels, TraceLevelTest,
                         ::testing::Values(LevelCase{0, false, false}, LevelCase{1, false, true},
                                           LevelCase{2, false, true}, LevelCase{3, true, true},
                                           LevelCase{9, true, true}, LevelCase{-1, false, false}));

TEST(TraceTest, CutsOverlongTextToTheLineBuffer) {
  TraceCapture capture;
  const std::string huge(10000, 'x');
  TraceMessage("%s", huge.c_str());
  ASSERT_EQ(capture.lines().size(), 1u);
  // 4096-byte line buffer: NUL, the 7-character prefix with its line break, the text.
  EXPECT_EQ(capture.lines()[0], "MSG::" + std::string(4095 - 7, 'x'));
}

TEST(TraceTest, LinesFromManyThreadsStayWhole) {
  TraceCapture capture;
  std::vector<std::thread> threads;
  threads.reserve(4);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        TraceMessage("%s:%d: thread %d line %d", "T", t, t, i);
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  ASSERT_EQ(capture.lines().size(), 800u);
  for (const std::string& line : capture.lines()) {
    EXPECT_EQ(line.rfind("MSG::T:", 0), 0u) << line;
  }
}

TEST(TraceTest, MacroPrefixesRoutineAndLine) {
  TraceCapture capture;
  TRACE_MSG("CTamselDlg::Test", "value %d", 5);
  TRACE_ERR("CTamselDlg::Test", "plain");
  ASSERT_EQ(capture.lines().size(), 2u);
  EXPECT_EQ(capture.lines()[0].rfind("MSG::CTamselDlg::Test:", 0), 0u);
  EXPECT_NE(capture.lines()[0].find(": value 5"), std::string::npos);
  EXPECT_NE(capture.lines()[1].find(": plain"), std::string::npos);
}

}  // namespace
}  // namespace tamsel
