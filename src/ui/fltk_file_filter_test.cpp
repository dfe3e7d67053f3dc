#include "ui/fltk_file_filter.h"

#include <gtest/gtest.h>

namespace tamsel {
namespace {

struct FilterCase {
  const char* filter;
  const char* expected;
};

class FltkFileFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FltkFileFilterTest, ConvertsToTheChoosersForm) {
  EXPECT_EQ(ToFltkFileFilter(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FltkFileFilterTest,
    ::testing::Values(FilterCase{"(*.*)|*.*||", "(*)"},  // every file, also names without a dot
                      FilterCase{"ROM files (*.rom)|*.rom|All files (*.*)|*.*||",
                                 "ROM files (*.rom)\tAll files (*)"},
                      FilterCase{"Images|*.rom;*.bin||", "Images ({*.rom,*.bin})"}, FilterCase{"", "(*)"},
                      FilterCase{"||", "(*)"}, FilterCase{"Broken|", "(*)"},
                      FilterCase{"No end|*.rom", "No end (*.rom)"}));

}  // namespace
}  // namespace tamsel
