#include "ui/list_ctrl_ex.h"

#include <algorithm>

namespace tamsel {

namespace {
constexpr Rgb kBlack{0, 0, 0};
}  // namespace

void CListCtrlEx::SetDefaultColors(OptionalColor background, OptionalColor text) {
  defaultBackground_ = background;
  defaultText_ = text;
}

void CListCtrlEx::InsertColumns(const std::vector<ListColumn>& columns) {
  columns_.insert(columns_.end(), columns.begin(), columns.end());
}

void CListCtrlEx::InsertRow(const std::string& firstCellText) {
  Row row;
  row.texts.push_back(firstCellText);
  rows_.push_back(std::move(row));
}

void CListCtrlEx::DeleteAllRows() {
  // Each row owns its cell records, so clearing the rows discards them too.
  rows_.clear();
}

bool CListCtrlEx::Inside(int row, int column) const {
  return row >= 0 && row < RowCount() && column >= 0 && column < static_cast<int>(columns_.size());
}

void CListCtrlEx::SetCellText(int row, int column, const std::string& text) {
  if (!Inside(row, column)) {
    return;
  }
  std::vector<std::string>& texts = rows_[row].texts;
  if (static_cast<int>(texts.size()) <= column) {
    texts.resize(column + 1);
  }
  texts[column] = text;
}

void CListCtrlEx::SetCellBackground(int row, int column, Rgb background) {
  if (!Inside(row, column)) {
    return;
  }
  std::vector<CellRecord>& cells = rows_[row].cells;
  auto found =
      std::find_if(cells.begin(), cells.end(), [column](const CellRecord& c) { return c.column == column; });
  if (found == cells.end()) {
    cells.push_back(CellRecord{column, {}});
    found = cells.end() - 1;
  }
  found->colors.background = background;
  found->colors.text = kBlack;
}

std::string CListCtrlEx::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0) {
    return {};
  }
  const std::vector<std::string>& texts = rows_[row].texts;
  return column < static_cast<int>(texts.size()) ? texts[column] : std::string{};
}

std::optional<CellColors> CListCtrlEx::PaintColors(int row, int column) const {
  // Levels, first that sets anything decides: the cell's own record, then
  // nothing else (row and column colours are never configured). A colour the
  // deciding level leaves unset falls back to the list's default.
  CellColors level;
  if (row >= 0 && row < RowCount()) {
    for (const CellRecord& cell : rows_[row].cells) {
      if (cell.column == column && (cell.colors.background || cell.colors.text)) {
        level = cell.colors;
        break;
      }
    }
  }
  CellColors chosen{level.background ? level.background : defaultBackground_,
                    level.text ? level.text : defaultText_};
  if (!chosen.background && !chosen.text) {
    return std::nullopt;
  }
  return chosen;
}

std::size_t CListCtrlEx::CellRecordCount(int row) const {
  if (row < 0 || row >= RowCount()) {
    return 0;
  }
  return rows_[row].cells.size();
}

}  // namespace tamsel
