#include "windows/list_rows_win.h"

#include "platform/effects.h"
#include "text/integer.h"

namespace ozl::lists {

void TableRows::SetView(platform::GridView* view) {
  view_ = view;
  table_.SetObserver(view != nullptr ? this : nullptr);
}

void DrawStatusIcon(platform::FileBitmaps& icons, const ListTable& table, HDC dc,
                    platform::GridCell cell, const RECT& area) {
  if (cell.column != kStatusColumn) return;
  const auto path = StatusIconPath(table.Cell(cell.row, cell.column));
  if (!path) return;
  // The icon is looked up at every drawing, so a replaced file shows at the next repaint.
  if (const platform::Bitmap* icon = icons.Get(*path)) icon->DrawStretched(dc, area);
}

bool TargetRow(const RowMenu& row_menu, const platform::StringGrid& grid, POINT pointer,
               const ListTable& table, std::string* selected_nick) {
  const auto cell = grid.CellAt(pointer);
  if (!cell) return true;
  try {
    row_menu.menu.Tag = text::StrToInt(table.Cell(cell->row, kIdColumn));
  } catch (const text::ConversionError& error) {
    platform::effects().error_box(error.what());
    return false;
  }
  const std::string nick(table.Cell(cell->row, kNickColumn));
  RowMenuCaptions captions = row_menu.captions(nick);
  row_menu.write.SetCaption(std::move(captions.write));
  row_menu.info.SetCaption(std::move(captions.info));
  row_menu.change.SetCaption(std::move(captions.change));
  if (selected_nick != nullptr) *selected_nick = nick;
  return true;
}

}  // namespace ozl::lists
