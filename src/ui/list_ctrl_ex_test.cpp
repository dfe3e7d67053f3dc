#include "ui/list_ctrl_ex.h"

#include <gtest/gtest.h>

namespace tamsel {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kPass{128, 255, 255};
constexpr Rgb kFail{255, 162, 208};

// A list with the eight columns of the device list and three rows.
class ListCtrlExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.InsertColumns({{"H#", 50},
                        {"Bus", 40},
                        {"Dev", 40},
                        {"Fun", 40},
                        {"FW ver.", 150},
                        {"SPI Name", 150},
                        {"Capacity", 70},
                        {"Status", 255}});
    for (const char* index : {"0", "1", "2"}) {
      list.InsertRow(index);
    }
  }
  CListCtrlEx list;
};

TEST_F(ListCtrlExTest, InsertedRowsShowTheirFirstCellAndHaveNoColours) {
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.CellText(1, 0), "1");
  EXPECT_EQ(list.CellText(1, 7), "");
  EXPECT_EQ(list.CellRecordCount(1), 0u);
  EXPECT_FALSE(list.PaintColors(1, 7).has_value());
}

TEST_F(ListCtrlExTest, ColouringACellTwiceKeepsOneRecordAndTheLastColour) {
  list.SetCellBackground(2, 7, kPass);
  list.SetCellBackground(2, 7, kFail);
  EXPECT_EQ(list.CellRecordCount(2), 1u);
  const auto colors = list.PaintColors(2, 7);
  ASSERT_TRUE(colors.has_value());
  EXPECT_EQ(colors->background, kFail);
  EXPECT_EQ(colors->text, kBlack);
}

TEST_F(ListCtrlExTest, EachColouredCellHasItsOwnRecord) {
  for (int column = 1; column < 8; ++column) {
    list.SetCellBackground(0, column, kWhite);
  }
  list.SetCellBackground(0, 7, kPass);
  EXPECT_EQ(list.CellRecordCount(0), 7u);
  EXPECT_EQ(list.PaintColors(0, 3)->background, kWhite);
  EXPECT_EQ(list.PaintColors(0, 7)->background, kPass);
  EXPECT_FALSE(list.PaintColors(0, 0).has_value());
  EXPECT_EQ(list.CellRecordCount(1), 0u);
}

struct OutsideCase {
  const char* name;
  int row;
  int column;
};

class ListCtrlExOutsideTest : public ListCtrlExTest, public ::testing::WithParamInterface<OutsideCase> {};

TEST_P(ListCtrlExOutsideTest, RequestsOutsideTheListAreIgnored) {
  const OutsideCase& c = GetParam();
  list.SetCellBackground(c.row, c.column, kFail);
  list.SetCellText(c.row, c.column, "x");
  for (int row = 0; row < list.RowCount(); ++row) {
    EXPECT_EQ(list.CellRecordCount(row), 0u);
    for (int column = 0; column < 8; ++column) {
      EXPECT_FALSE(list.PaintColors(row, column).has_value());
    }
  }
  EXPECT_EQ(list.CellText(c.row, c.column), "");
  EXPECT_EQ(list.RowCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ListCtrlExOutsideTest,
                         ::testing::Values(OutsideCase{"RowEqualToCount", 3, 7},
                                           OutsideCase{"NegativeRow", -1, 7},
                                           OutsideCase{"ColumnEqualToCount", 0, 8},
                                           OutsideCase{"NegativeColumn", 0, -1},
                                           OutsideCase{"FarAway", 1000000, 1000000}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ListCtrlExNoColumnsTest, WithoutColumnsNoCellCanBeColouredOrWritten) {
  CListCtrlEx list;
  list.InsertRow("0");
  list.SetCellBackground(0, 0, kPass);
  list.SetCellText(0, 0, "x");
  EXPECT_EQ(list.CellRecordCount(0), 0u);
  EXPECT_EQ(list.CellText(0, 0), "0");
}

TEST_F(ListCtrlExTest, ResetDiscardsEveryRecordSoNewRowsStartUncoloured) {
  list.SetCellBackground(0, 7, kPass);
  list.SetCellBackground(1, 7, kFail);
  list.SetCellText(1, 7, "Fail");
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_FALSE(list.PaintColors(0, 7).has_value());
  list.InsertRow("0");
  list.InsertRow("1");
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(list.CellRecordCount(row), 0u);
    EXPECT_FALSE(list.PaintColors(row, 7).has_value());
    EXPECT_EQ(list.CellText(row, 7), "");
  }
  EXPECT_EQ(list.columns().size(), 8u);
}

struct DefaultsCase {
  const char* name;
  OptionalColor defaultBackground;
  OptionalColor defaultText;
  bool coloured;  // whether cell (0, 7) gets a record
  std::optional<CellColors> expected;
};

class ListCtrlExLevelsTest : public ListCtrlExTest, public ::testing::WithParamInterface<DefaultsCase> {};

// The cell's record decides when it sets anything; otherwise the defaults
// apply; with neither, the list paints the cell as usual.
TEST_P(ListCtrlExLevelsTest, ChoosesColoursLevelByLevel) {
  const DefaultsCase& c = GetParam();
  list.SetDefaultColors(c.defaultBackground, c.defaultText);
  if (c.coloured) {
    list.SetCellBackground(0, 7, kPass);
  }
  const auto colors = list.PaintColors(0, 7);
  ASSERT_EQ(colors.has_value(), c.expected.has_value());
  if (colors) {
    EXPECT_EQ(colors->background, c.expected->background);
    EXPECT_EQ(colors->text, c.expected->text);
  }
}

constexpr Rgb kDefaultBack{10, 20, 30};
constexpr Rgb kDefaultText{200, 210, 220};

INSTANTIATE_TEST_SUITE_P(Levels, ListCtrlExLevelsTest,
                         ::testing::Values(DefaultsCase{"NothingSet", std::nullopt, std::nullopt, false,
                                                        std::nullopt},
                                           DefaultsCase{"DefaultsOnly", kDefaultBack, kDefaultText, false,
                                                        CellColors{kDefaultBack, kDefaultText}},
                                           DefaultsCase{"DefaultBackgroundOnly", kDefaultBack, std::nullopt,
                                                        false, CellColors{kDefaultBack, std::nullopt}},
                                           DefaultsCase{"CellOverridesDefaults", kDefaultBack, kDefaultText,
                                                        true, CellColors{kPass, kBlack}},
                                           DefaultsCase{"CellWithoutDefaults", std::nullopt, std::nullopt,
                                                        true, CellColors{kPass, kBlack}}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tamsel
