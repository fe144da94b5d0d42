#include "platform/string_grid.h"

#include <windowsx.h>

#include <algorithm>
#include <numeric>

#include "platform/handles.h"
#include "platform/text.h"

namespace ozl::platform {
namespace {

// The scroll bar follows the row count once the notices of a burst are through: under Wine every
// change of it repaints the frame, and a busy server sends thousands of changes in one answer.
constexpr UINT kUpdateScrollBarMessage = WM_APP + 1;

SCROLLINFO ScrollInfo(UINT mask) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = mask;
  return info;
}

void FillArea(HDC dc, const RECT& area, int system_colour) {
  FillRect(dc, &area, GetSysColorBrush(system_colour));
}

}  // namespace

StringGrid::StringGrid(Window& parent, int left, int top, int width, int height, Layout layout,
                       lists::ListTable& table)
    : table_(table),
      column_widths_(std::move(layout.column_widths)),
      row_height_(layout.row_height),
      yielding_column_(layout.yielding_column),
      row_count_(table.RowCount()) {
  Spec spec;
  spec.class_name = L"OzlGrid";
  spec.class_style = CS_DBLCLKS;
  spec.cursor = LoadCursorW(nullptr, IDC_HAND);
  spec.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS;
  spec.parent = parent.hwnd();
  spec.x = left;
  spec.y = top;
  spec.width = width;
  spec.height = height;
  Create(spec);
  table_.SetObserver(this);
  UpdateScrollBar();
}

StringGrid::~StringGrid() { table_.SetObserver(nullptr); }

int StringGrid::ClientHeight() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client.bottom;
}

std::size_t StringGrid::WholeRowsInView() const {
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::max(0, ClientHeight() + kGridLine) / Pitch()));
}

std::size_t StringGrid::RowsInView() const {
  return static_cast<std::size_t>((std::max(0, ClientHeight()) + Pitch() - 1) / Pitch());
}

std::vector<int> StringGrid::ColumnWidths() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  std::vector<int> widths = column_widths_;
  const int needed = std::accumulate(widths.begin(), widths.end(), 0) +
                     static_cast<int>(widths.size()) * kGridLine;
  if (needed > client.right && yielding_column_ < widths.size()) {
    int& yielding = widths[yielding_column_];
    yielding = std::max(0, yielding - (needed - static_cast<int>(client.right)));
  }
  return widths;
}

std::optional<GridCell> StringGrid::CellAt(POINT point) const {
  if (point.x < 0 || point.y < 0) return std::nullopt;
  const std::size_t row = top_row_ + static_cast<std::size_t>(point.y / Pitch());
  if (row >= row_count_) return std::nullopt;
  int right = 0;
  const std::vector<int> widths = ColumnWidths();
  for (std::size_t column = 0; column < widths.size(); ++column) {
    right += widths[column] + kGridLine;
    if (point.x < right) return GridCell{row, column};
  }
  return std::nullopt;
}

RECT StringGrid::CellRect(GridCell cell) const {
  const std::vector<int> widths = ColumnWidths();
  int left = 0;
  for (std::size_t column = 0; column < cell.column && column < widths.size(); ++column) {
    left += widths[column] + kGridLine;
  }
  const int width = cell.column < widths.size() ? widths[cell.column] : 0;
  const int top = (static_cast<int>(cell.row) - static_cast<int>(top_row_)) * Pitch();
  return {left, top, left + width, top + row_height_};
}

void StringGrid::Select(std::size_t row) {
  SetFocusRow(std::min(row, row_count_ - 1), false);
  EnsureVisible(focus_);
}

void StringGrid::SetVisible(bool visible) { ShowWindow(hwnd(), visible ? SW_SHOW : SW_HIDE); }

void StringGrid::ScrollTo(std::size_t top_row) {
  const std::size_t whole = WholeRowsInView();
  const std::size_t last_top = row_count_ > whole ? row_count_ - whole : 0;
  top_row = std::min(top_row, last_top);
  if (top_row == top_row_) return;
  const auto shift = static_cast<std::ptrdiff_t>(top_row) - static_cast<std::ptrdiff_t>(top_row_);
  top_row_ = top_row;
  if (static_cast<std::size_t>(std::abs(shift)) < RowsInView()) {
    // Rows already painted move; only the rows that come into view are painted.
    ScrollWindowEx(hwnd(), 0, static_cast<int>(-shift) * Pitch(), nullptr, nullptr, nullptr, nullptr,
                   SW_INVALIDATE);
  } else {
    InvalidateRect(hwnd(), nullptr, FALSE);
  }
  SCROLLINFO position = ScrollInfo(SIF_POS);
  position.nPos = static_cast<int>(top_row_);
  SetScrollInfo(hwnd(), SB_VERT, &position, TRUE);
}

void StringGrid::RowCountChanged(std::size_t row_count) {
  const std::size_t old_count = row_count_;
  row_count_ = row_count;
  const std::size_t old_first = SelectionFirst();
  const std::size_t old_last = SelectionLast();
  anchor_ = std::min(anchor_, row_count_ - 1);
  focus_ = std::min(focus_, row_count_ - 1);
  const std::size_t whole = WholeRowsInView();
  const std::size_t last_top = row_count_ > whole ? row_count_ - whole : 0;
  if (top_row_ > last_top) {
    top_row_ = last_top;
    InvalidateRect(hwnd(), nullptr, FALSE);
  } else {
    InvalidateRows(std::min(old_count, row_count_), std::max(old_count, row_count_));
    if (SelectionFirst() != old_first || SelectionLast() != old_last) {
      InvalidateRows(std::min(SelectionFirst(), old_first), std::max(SelectionLast(), old_last) + 1);
    }
  }
  UpdateScrollBarLater();
}

void StringGrid::CellsChanged(const lists::CellArea& area) { InvalidateRows(area.first_row, area.end_row); }

void StringGrid::InvalidateRows(std::size_t first, std::size_t end) {
  const std::size_t view_end = top_row_ + RowsInView();
  first = std::max(first, top_row_);
  end = std::min(end, view_end);
  if (first >= end) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const RECT rows{0, static_cast<int>(first - top_row_) * Pitch(), client.right,
                  static_cast<int>(end - top_row_) * Pitch()};
  InvalidateRect(hwnd(), &rows, FALSE);
}

void StringGrid::UpdateScrollBarLater() {
  if (scroll_bar_pending_) return;
  scroll_bar_pending_ = PostMessageW(hwnd(), kUpdateScrollBarMessage, 0, 0) != FALSE;
  if (!scroll_bar_pending_) UpdateScrollBar();
}

void StringGrid::UpdateScrollBar() {
  scroll_bar_pending_ = false;
  SCROLLINFO info = ScrollInfo(SIF_RANGE | SIF_PAGE | SIF_POS);
  info.nMin = 0;
  info.nMax = static_cast<int>(row_count_) - 1;
  info.nPage = static_cast<UINT>(WholeRowsInView());
  info.nPos = static_cast<int>(top_row_);
  SetScrollInfo(hwnd(), SB_VERT, &info, TRUE);
}

void StringGrid::SetFocusRow(std::size_t row, bool extend) {
  const std::size_t old_first = SelectionFirst();
  const std::size_t old_last = SelectionLast();
  focus_ = row;
  if (!extend) anchor_ = row;
  InvalidateRows(std::min(old_first, SelectionFirst()), std::max(old_last, SelectionLast()) + 1);
}

void StringGrid::EnsureVisible(std::size_t row) {
  const std::size_t whole = WholeRowsInView();
  if (row < top_row_) {
    ScrollTo(row);
  } else if (row >= top_row_ + whole) {
    ScrollTo(row + 1 - whole);
  }
}

void StringGrid::Paint(HDC dc, const RECT& area) {
  FillArea(dc, area, COLOR_WINDOW);
  SelectedObject font(dc, DefaultFont());
  const std::vector<int> widths = ColumnWidths();
  const int right_edge = std::accumulate(widths.begin(), widths.end(), 0) +
                         static_cast<int>(widths.size()) * kGridLine;
  const std::size_t first = top_row_ + static_cast<std::size_t>(std::max<LONG>(area.top, 0) / Pitch());
  const std::size_t end = std::min(row_count_, top_row_ + static_cast<std::size_t>((area.bottom + Pitch() - 1) / Pitch()));
  for (std::size_t row = first; row < end; ++row) PaintRow(dc, row, widths, right_edge);
}

void StringGrid::PaintRow(HDC dc, std::size_t row, const std::vector<int>& widths, int right_edge) {
  const bool selected = row >= SelectionFirst() && row <= SelectionLast();
  SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int top = static_cast<int>(row - top_row_) * Pitch();
  int left = 0;
  for (std::size_t column = 0; column < widths.size(); ++column) {
    const RECT cell{left, top, left + widths[column], top + row_height_};
    const std::wstring text = Widen(table_.Cell(row, column));
    ExtTextOutW(dc, left + 2, top + 2, ETO_CLIPPED | ETO_OPAQUE, &cell, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    if (on_draw_cell) on_draw_cell(dc, {row, column}, cell);
    left += widths[column];
    FillArea(dc, {left, top, left + kGridLine, top + Pitch()}, COLOR_BTNFACE);
    left += kGridLine;
  }
  FillArea(dc, {0, top + row_height_, right_edge, top + Pitch()}, COLOR_BTNFACE);
}

void StringGrid::Scrolled(WORD request) {
  const std::size_t whole = WholeRowsInView();
  switch (request) {
    case SB_LINEUP:
      return ScrollTo(top_row_ > 0 ? top_row_ - 1 : 0);
    case SB_LINEDOWN:
      return ScrollTo(top_row_ + 1);
    case SB_PAGEUP:
      return ScrollTo(top_row_ > whole ? top_row_ - whole : 0);
    case SB_PAGEDOWN:
      return ScrollTo(top_row_ + whole);
    case SB_TOP:
      return ScrollTo(0);
    case SB_BOTTOM:
      return ScrollTo(row_count_);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info = ScrollInfo(SIF_TRACKPOS);
      GetScrollInfo(hwnd(), SB_VERT, &info);
      return ScrollTo(static_cast<std::size_t>(std::max(0, info.nTrackPos)));
    }
    default:
      return;
  }
}

void StringGrid::Wheel(int delta) {
  UINT lines_per_notch = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines_per_notch, 0);
  wheel_rest_ += delta;
  const int notches = wheel_rest_ / WHEEL_DELTA;
  wheel_rest_ %= WHEEL_DELTA;
  const std::ptrdiff_t rows = static_cast<std::ptrdiff_t>(notches) * static_cast<std::ptrdiff_t>(lines_per_notch);
  const std::ptrdiff_t top = static_cast<std::ptrdiff_t>(top_row_) - rows;
  ScrollTo(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, top)));
}

bool StringGrid::Key(WPARAM key) {
  const std::size_t whole = WholeRowsInView();
  const std::size_t last = row_count_ - 1;
  std::size_t row = focus_;
  switch (key) {
    case VK_UP:
      row = row > 0 ? row - 1 : 0;
      break;
    case VK_DOWN:
      row = std::min(last, row + 1);
      break;
    case VK_PRIOR:
      row = row > whole ? row - whole : 0;
      break;
    case VK_NEXT:
      row = std::min(last, row + whole);
      break;
    case VK_HOME:
      row = 0;
      break;
    case VK_END:
      row = last;
      break;
    default:
      return false;
  }
  SetFocusRow(row, GetKeyState(VK_SHIFT) < 0);
  EnsureVisible(row);
  return true;
}

void StringGrid::ContextMenu(LPARAM screen_point) {
  if (!on_context_menu) return;
  POINT at{GET_X_LPARAM(screen_point), GET_Y_LPARAM(screen_point)};
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: the menu is for the selected row.
    EnsureVisible(focus_);
    const RECT cell = CellRect({focus_, 0});
    POINT centre{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    if (on_mouse_move) on_mouse_move(centre);
    at = centre;
    ClientToScreen(hwnd(), &at);
  }
  on_context_menu(at);
}

LRESULT StringGrid::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd(), &ps);
      const RECT& area = ps.rcPaint;
      const int width = std::max<LONG>(area.right - area.left, 1);
      const int height = std::max<LONG>(area.bottom - area.top, 1);
      UniqueMemoryDc buffer(CreateCompatibleDC(dc));
      UniqueBitmap surface(CreateCompatibleBitmap(dc, width, height));
      {
        SelectedObject selected(buffer.get(), surface.get());
        SetViewportOrgEx(buffer.get(), -area.left, -area.top, nullptr);
        Paint(buffer.get(), area);
        SetViewportOrgEx(buffer.get(), 0, 0, nullptr);
        BitBlt(dc, area.left, area.top, width, height, buffer.get(), 0, 0, SRCCOPY);
      }
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_SIZE:
      ScrollTo(top_row_);
      UpdateScrollBar();
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case kUpdateScrollBarMessage:
      UpdateScrollBar();
      return 0;
    case WM_VSCROLL:
      Scrolled(LOWORD(wparam));
      return 0;
    case WM_MOUSEWHEEL:
      Wheel(GET_WHEEL_DELTA_WPARAM(wparam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (Key(wparam)) return 0;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(hwnd());
      if (const auto cell = CellAt({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)})) {
        SetFocusRow(cell->row, (wparam & MK_SHIFT) != 0);
        dragging_ = true;
        SetCapture(hwnd());
      }
      if (message == WM_LBUTTONDBLCLK && on_double_click) on_double_click();
      return 0;
    }
    case WM_MOUSEMOVE: {
      const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (dragging_) {
        const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(top_row_) + (at.y < 0 ? -1 : at.y / Pitch());
        const auto clamped = static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(row, 0, static_cast<std::ptrdiff_t>(row_count_) - 1));
        SetFocusRow(clamped, true);
        EnsureVisible(clamped);
      }
      if (on_mouse_move) on_mouse_move(at);
      return 0;
    }
    case WM_LBUTTONUP:
      if (dragging_) ReleaseCapture();
      dragging_ = false;
      return 0;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return 0;
    case WM_CONTEXTMENU:
      ContextMenu(lparam);
      return 0;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace ozl::platform
