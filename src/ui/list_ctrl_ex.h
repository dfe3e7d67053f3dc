#pragma once
// The device list's model: rows of cell texts with per-cell colour records,
// and the level-by-level colour choice a view uses when it paints a cell.
// Row and column colours and the in-place editors are never configured by
// this program and are not kept.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/view.h"

namespace tamsel {

// A 24-bit colour or "not set".
using OptionalColor = std::optional<Rgb>;

struct CellColors {
  OptionalColor background;
  OptionalColor text;
};

class CListCtrlEx {
 public:
  // Defaults read from the list when it is attached (white on black in views).
  void SetDefaultColors(OptionalColor background, OptionalColor text);

  void InsertColumns(const std::vector<ListColumn>& columns);
  const std::vector<ListColumn>& columns() const { return columns_; }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Appends a row whose first cell shows the text, with its (empty) row record.
  void InsertRow(const std::string& firstCellText);
  // Discards every row record with its cell records, then deletes all rows.
  void DeleteAllRows();

  // Ignored outside the list.
  void SetCellText(int row, int column, const std::string& text);
  // Records the cell's background and black text; ignored outside the list.
  void SetCellBackground(int row, int column, Rgb background);

  std::string CellText(int row, int column) const;
  // The colours a cell is painted with, chosen level by level (cell, then
  // the defaults); nothing when no level sets a colour.
  std::optional<CellColors> PaintColors(int row, int column) const;
  // Number of cell colour records of a row (tests: one record per cell).
  std::size_t CellRecordCount(int row) const;

 private:
  struct CellRecord {
    int column = 0;
    CellColors colors;
  };
  struct Row {
    std::vector<std::string> texts;
    std::vector<CellRecord> cells;
  };
  bool Inside(int row, int column) const;

  std::vector<ListColumn> columns_;
  std::vector<Row> rows_;
  OptionalColor defaultBackground_;
  OptionalColor defaultText_;
};

}  // namespace tamsel
