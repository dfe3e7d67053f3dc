#include "image/version_limit.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/trace_capture.h"

namespace tamsel {
namespace {

struct LimitCase {
  const char* limit;
  const char* device;
  int result;
};

class VersionLimitTest : public testing::TestWithParam<LimitCase> {};

TEST_P(VersionLimitTest, Compares) {
  const LimitCase& c = GetParam();
  EXPECT_EQ(iChangeVersionXtoValid(c.limit, c.device), c.result) << c.limit << " vs " << c.device;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionLimitTest,
    testing::Values(LimitCase{"25061300BC00", "25061300BC00", 0},
                    LimitCase{"25061300bc00", "25061300BC00", 0},  // letter case is ignored
                    LimitCase{"25061300BC00", "25061300bc00", 0},
                    LimitCase{"2506XX00BC00", "25061300BC00", 0},
                    LimitCase{"XXXXXXXXXXXX", "25061300BC00", 0},
                    LimitCase{"2506XX00BC01", "25061300BC00", -2},
                    LimitCase{"250613", "25061300BC00", -2},        // lengths differ
                    LimitCase{"XXXX", "25061300BC00", -2},          // four X match four characters only
                    LimitCase{"2506xx00BC00", "25061300BC00", -2},  // lower-case x is an ordinary character
                    LimitCase{"XXXXXXXXXXXX", "None", 0},  // the X at the device's end cuts the limit
                    LimitCase{"25061300BC00X", "25061300BC00", 0},    // the same cut just past the digits
                    LimitCase{"25061300BC00XX", "25061300BC00", 0},   // cut before the second X is looked at
                    LimitCase{"25061300BC0X0", "25061300BC00", -2},   // X inside, then an extra character
                    LimitCase{"25061300BC001X", "25061300BC00", -2},  // X beyond the end, no cut: differ
                    LimitCase{"2506130000BC00X", "25061300BC00", -2}, LimitCase{"250613", "None", -2},
                    LimitCase{"", "", 0}, LimitCase{"X", "", 0},  // the X at position 0 cuts an empty limit
                    LimitCase{"", "25061300BC00", -2},
                    LimitCase{"2506130000BC00XX", "25061300BC00", -1},  // 16 characters: refused
                    LimitCase{"25061300BC00", "2506130000BC00XX", -1},
                    LimitCase{"2506130000BC00X", "2506130000BC00A", 0}));  // 15 characters still compare

TEST(VersionLimitTraceTest, RefusalNamesTheTooLongTextsLength) {
  TraceCapture trace(3);
  EXPECT_EQ(iChangeVersionXtoValid("2506130000BC00XXY", "25061300BC00"), -1);
  EXPECT_EQ(iChangeVersionXtoValid("25061300BC00", "2506130000BC00XX"), -1);
  ASSERT_EQ(trace.lines().size(), 2u);
  EXPECT_EQ(trace.lines()[0].rfind("MSG::CTamselDlg::iChangeVersionXtoValid:", 0), 0u);
  EXPECT_NE(trace.lines()[0].find(":  CString Lenth[17] >16"), std::string::npos) << trace.lines()[0];
  EXPECT_NE(trace.lines()[1].find(":  CString Lenth[16] >16"), std::string::npos) << trace.lines()[1];
}

TEST(VersionLimitTraceTest, ComparingWritesNoTrace) {
  TraceCapture trace(9);
  EXPECT_EQ(iChangeVersionXtoValid("2506XX00BC00", "25061300BC00"), 0);
  EXPECT_TRUE(trace.lines().empty());
}

}  // namespace
}  // namespace tamsel
