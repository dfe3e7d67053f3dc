#pragma once
// The device list widget: a report-style table that shows the columns, rows,
// texts and cell colours of a CListCtrlEx, with grid lines and a header.

#include <FL/Fl_Table.H>

#include "ui/list_ctrl_ex.h"

namespace tamsel {

class FltkDeviceList : public Fl_Table {
 public:
  FltkDeviceList(int x, int y, int width, int height);

  // The list's own colours, used where the model sets none.
  static constexpr Rgb kBackground{255, 255, 255};
  static constexpr Rgb kText{0, 0, 0};

  void Attach(const CListCtrlEx& list);
  // Takes over the model's columns and rows and redraws.
  void Refresh();
  // Where a cell is drawn, in window coordinates; false when it is not visible.
  bool CellBounds(int row, int column, int& x, int& y, int& width, int& height);

 protected:
  void draw_cell(TableContext context, int row, int column, int x, int y, int width, int height) override;

 private:
  void DrawHeader(int column, int x, int y, int width, int height);
  void DrawCell(int row, int column, int x, int y, int width, int height);

  const CListCtrlEx* list_ = nullptr;
};

}  // namespace tamsel
