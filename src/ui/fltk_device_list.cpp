#include "ui/fltk_device_list.h"

#include <FL/fl_draw.H>

namespace tamsel {

namespace {

constexpr int kRowHeight = 20;
constexpr int kHeaderHeight = 22;
const Fl_Color kGridColor = fl_rgb_color(208, 208, 208);

Fl_Color ToFl(Rgb color) {
  return fl_rgb_color(color.red, color.green, color.blue);
}

}  // namespace

FltkDeviceList::FltkDeviceList(int x, int y, int width, int height) : Fl_Table(x, y, width, height) {
  box(FL_DOWN_FRAME);
  color(ToFl(kBackground));
  col_header(1);
  col_header_height(kHeaderHeight);
  row_height_all(kRowHeight);
  row_resize(0);
  col_resize(0);
  end();
}

void FltkDeviceList::Attach(const CListCtrlEx& list) {
  list_ = &list;
  Refresh();
}

void FltkDeviceList::Refresh() {
  if (list_ == nullptr) {
    return;
  }
  const std::vector<ListColumn>& columns = list_->columns();
  cols(static_cast<int>(columns.size()));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    col_width(static_cast<int>(i), columns[i].widthPixels);
  }
  rows(list_->RowCount());
  row_height_all(kRowHeight);
  redraw();
}

bool FltkDeviceList::CellBounds(int row, int column, int& x, int& y, int& width, int& height) {
  return find_cell(CONTEXT_CELL, row, column, x, y, width, height) == 0;
}

void FltkDeviceList::draw_cell(TableContext context, int row, int column, int x, int y, int width,
                               int height) {
  switch (context) {
    case CONTEXT_STARTPAGE:
      fl_font(labelfont(), labelsize());
      return;
    case CONTEXT_COL_HEADER:
      DrawHeader(column, x, y, width, height);
      return;
    case CONTEXT_CELL:
      DrawCell(row, column, x, y, width, height);
      return;
    default:
      return;
  }
}

void FltkDeviceList::DrawHeader(int column, int x, int y, int width, int height) {
  fl_push_clip(x, y, width, height);
  fl_draw_box(FL_THIN_UP_BOX, x, y, width, height, col_header_color());
  fl_color(FL_BLACK);
  if (list_ != nullptr && column < static_cast<int>(list_->columns().size())) {
    fl_draw(list_->columns()[column].title.c_str(), x + 2, y, width - 4, height, FL_ALIGN_CENTER);
  }
  fl_pop_clip();
}

void FltkDeviceList::DrawCell(int row, int column, int x, int y, int width, int height) {
  if (list_ == nullptr) {
    return;
  }
  const std::optional<CellColors> chosen = list_->PaintColors(row, column);
  const Rgb background = chosen && chosen->background ? *chosen->background : kBackground;
  const Rgb text = chosen && chosen->text ? *chosen->text : kText;
  fl_push_clip(x, y, width, height);
  fl_color(ToFl(background));
  fl_rectf(x, y, width, height);
  fl_color(ToFl(text));
  fl_draw(list_->CellText(row, column).c_str(), x + 3, y, width - 6, height, FL_ALIGN_CENTER);
  // Grid lines on the right and bottom edges of every cell.
  fl_color(kGridColor);
  fl_xyline(x, y + height - 1, x + width - 1);
  fl_yxline(x + width - 1, y, y + height - 1);
  fl_pop_clip();
}

}  // namespace tamsel
