// A grid of text cells painted by the program itself: fixed column widths, one row height, grid
// lines, whole-row selection, and vertical scrolling by its bar, the wheel and the keys. It shows
// rows of text through GridRows. Only the rows in view are painted, and of the change notices only
// the rows in view are repainted, so neither costs more for a longer table. The scroll bar is the
// grid's own too: under Wine the system's scroll bar takes several milliseconds to redraw, longer
// than the rows it scrolls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace ozl::platform {

struct GridCell {
  std::size_t row = 0;
  std::size_t column = 0;
  bool operator==(const GridCell&) const = default;
};

// Where a grid hears that its rows changed.
class GridView {
 public:
  virtual void RowCountChanged(std::size_t row_count) = 0;
  // Cells of the rows [first_row, end_row) may hold new text.
  virtual void RowsChanged(std::size_t first_row, std::size_t end_row) = 0;

 protected:
  ~GridView() = default;
};

// What a grid shows: a number of rows (at least one) and the text of their cells.
class GridRows {
 public:
  virtual ~GridRows() = default;
  virtual std::size_t RowCount() const = 0;
  // The view lasts until the rows next change.
  virtual std::string_view Cell(std::size_t row, std::size_t column) const = 0;
  // The view that hears of every change from now on; nullptr for none.
  virtual void SetView(GridView* view) = 0;
};

class StringGrid : public Window, public GridView {
 public:
  struct Layout {
    std::vector<int> column_widths;
    int row_height = 24;
    // When the columns are wider than the grid (the scroll bar has appeared), this one gives way,
    // so the last column stays in view.
    std::size_t yielding_column = 0;
  };

  StringGrid(Window& parent, int left, int top, int width, int height, Layout layout,
             std::unique_ptr<GridRows> rows);

  // The width of a column that shows `text` whole in the grid's font, margins included.
  static int ColumnWidthFor(std::string_view text);
  ~StringGrid() override;

  // The cell under a point of the client area; nothing below the last row, right of the last
  // column or on the scroll bar.
  std::optional<GridCell> CellAt(POINT point) const;
  // A cell's rectangle in client coordinates, grid lines excluded.
  RECT CellRect(GridCell cell) const;

  // The selected rows, first and last (a drag selects a range).
  std::size_t SelectionFirst() const { return std::min(anchor_, focus_); }
  std::size_t SelectionLast() const { return std::max(anchor_, focus_); }
  void Select(std::size_t row);
  std::size_t TopRow() const { return top_row_; }
  void ScrollTo(std::size_t top_row);
  // The scroll bar's rectangle in client coordinates; empty while every row is in view.
  RECT ScrollBarRect() const;

  bool visible() const { return IsWindowVisible(hwnd()) != FALSE; }
  void SetVisible(bool visible);

  // After a cell's own drawing (its text, the selection colours): the window's picture on top.
  std::function<void(HDC dc, GridCell cell, const RECT& area)> on_draw_cell;
  // The pointer moved over the grid (client coordinates).
  std::function<void(POINT at)> on_mouse_move;
  std::function<void()> on_double_click;
  // The context menu was asked for at a screen point: a right click, or the menu key (then the
  // pointer is first reported at the selected row, so the menu acts on it).
  std::function<void(POINT screen)> on_context_menu;

  // GridView
  void RowCountChanged(std::size_t row_count) override;
  void RowsChanged(std::size_t first_row, std::size_t end_row) override { InvalidateRows(first_row, end_row); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  static constexpr int kGridLine = 1;
  static constexpr int kTextMargin = 2;

  // The parts of the scroll bar a press can hit.
  enum class BarPart { kNone, kLineUp, kLineDown, kPageUp, kPageDown, kThumb };

  int Pitch() const { return row_height_ + kGridLine; }
  RECT Client() const;
  // The client area without the scroll bar.
  RECT RowsArea() const;
  // Rows wholly in view, at least one.
  std::size_t WholeRowsInView() const;
  // Rows at least partly in view, from the top row.
  std::size_t RowsInView() const;
  std::size_t LastTopRow() const;
  bool BarShown() const { return row_count_ > WholeRowsInView(); }
  RECT ThumbRect() const;
  BarPart BarPartAt(POINT point) const;
  std::vector<int> ColumnWidths() const;
  void InvalidateRows(std::size_t first, std::size_t end);
  void InvalidateBar();
  void Paint(HDC dc, const RECT& area);
  void PaintRow(HDC dc, std::size_t row, const std::vector<int>& widths, int right_edge);
  void PaintBar(HDC dc);
  void SetFocusRow(std::size_t row, bool extend);
  void EnsureVisible(std::size_t row);
  void ScrollBy(std::ptrdiff_t rows);
  void PressBar(BarPart part, POINT at);
  void RepeatBarPress();
  void DragThumb(int y);
  void Wheel(int delta);
  bool Key(WPARAM key);
  void ContextMenu(LPARAM screen_point);

  std::unique_ptr<GridRows> rows_;
  std::vector<int> column_widths_;
  int row_height_;
  std::size_t yielding_column_;
  std::size_t row_count_;
  std::size_t top_row_ = 0;
  std::size_t anchor_ = 0;
  std::size_t focus_ = 0;
  bool dragging_rows_ = false;
  bool bar_was_shown_ = false;
  bool bar_pending_ = false;
  BarPart pressed_ = BarPart::kNone;
  int thumb_grip_ = 0;  // where in the thumb it was taken
  int wheel_rest_ = 0;
};

}  // namespace ozl::platform
