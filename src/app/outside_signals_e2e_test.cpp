// End-to-end: a standard output that goes away (a reader that stops, as with
// `| head -c N`) never ends or fails the run.
#include <gtest/gtest.h>

#include "app/end_to_end_fixture.h"

namespace tamsel {
namespace {

// The parameter is how many bytes the reader takes before it closes its end.
class ClosedStandardOutput : public EndToEnd, public testing::WithParamInterface<std::size_t> {};

TEST_P(ClosedStandardOutput, RunFlashesEveryChipAndLeavesItsRecords) {
  UseDefaultMachine();
  const std::vector<uint8_t> before0 = Flash(0);
  const std::vector<uint8_t> before1 = Flash(1);
  const std::size_t readLimit = GetParam();

  const TamselwinResult result =
      RunTamselwin({work.dir(), machine.dir(), {"/CMD"}, 120, [readLimit](const std::string& out) {
                      return out.size() < readLimit;
                    }});

  ASSERT_FALSE(result.hung);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_LE(result.out.size(), readLimit + tamselwin_launch::kReadPieceBytes);
  ExpectUpdatedKeepingTables(before0, Flash(0));
  ExpectUpdatedKeepingTables(before1, Flash(1));
  EXPECT_EQ(work.Read("result.log"), "Pass\r\n");
  EXPECT_EQ(LogRecords(), (std::vector<std::string>{Record(0, "241224000002", 3, "Pass"),
                                                    Record(1, "241224000002", 4, "Pass")}));
  const std::vector<std::string> history = HistoryMessages();
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back(), "QOR584xFWUpgrade Success !\r");
  ExpectNoCarriedFileLeft();
}

INSTANTIATE_TEST_SUITE_P(ReaderGone, ClosedStandardOutput, testing::Values(0u, 600u),
                         [](const testing::TestParamInfo<std::size_t>& param) {
                           return param.param == 0 ? std::string("BeforeTheFirstByte")
                                                   : "After" + std::to_string(param.param) + "Bytes";
                         });

}  // namespace
}  // namespace tamsel
