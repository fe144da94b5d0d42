// What the grids of users (online, contacts, search results) share: a table shown as a grid's
// rows, the status icon drawn over the status cell, and the row menu that acts on the row under
// the pointer, which need not be the selected one.
#pragma once

#include <string>

#include "lists/list_tables.h"
#include "lists/list_window_text.h"
#include "platform/bitmap.h"
#include "platform/popup_menu.h"
#include "platform/string_grid.h"

namespace ozl::lists {

// A table as the rows of a grid: the grid hears of the table's changes.
class TableRows final : public platform::GridRows, private TableObserver {
 public:
  explicit TableRows(ListTable& table) : table_(table) {}

  std::size_t RowCount() const override { return table_.RowCount(); }
  std::string_view Cell(std::size_t row, std::size_t column) const override { return table_.Cell(row, column); }
  void SetView(platform::GridView* view) override;

 private:
  void RowCountChanged(std::size_t row_count) override { view_->RowCountChanged(row_count); }
  void CellsChanged(const CellArea& area) override { view_->RowsChanged(area.first_row, area.end_row); }

  ListTable& table_;
  platform::GridView* view_ = nullptr;
};

// Over a status cell that names a known status, its icon stretched to the cell.
void DrawStatusIcon(platform::FileBitmaps& icons, const ListTable& table, HDC dc,
                    platform::GridCell cell, const RECT& area);

struct RowMenu {
  platform::PopupMenu& menu;
  platform::MenuItem& write;
  platform::MenuItem& info;
  platform::MenuItem& change;
  RowMenuCaptions (*captions)(std::string_view nick);
};

// Runs as the menu opens. With a row under the pointer, its id becomes the menu's tag, its nick
// goes into the items (and into `selected_nick` when given) and true is returned. With no row
// there the menu keeps what it had and opens (true). A row whose id is no number is reported in
// the error box and keeps the menu closed (false).
bool TargetRow(const RowMenu& row_menu, const platform::StringGrid& grid, POINT pointer,
               const ListTable& table, std::string* selected_nick);

}  // namespace ozl::lists
