#include "platform/string_grid.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "platform/handles.h"
#include "platform/text.h"

namespace ozl::platform {
namespace {

// A press on the scroll bar's arrows or track repeats while the button is held, as the system's
// scroll bars do: after a pause, then quickly.
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kRepeatDelayMs = 400;
constexpr UINT kRepeatIntervalMs = 50;
constexpr int kSmallestThumb = 8;
constexpr UINT kBarChangedMessage = WM_APP + 1;

bool Inside(const RECT& area, POINT point) { return PtInRect(&area, point) != FALSE; }

void FillArea(HDC dc, const RECT& area, int system_colour) {
  FillRect(dc, &area, GetSysColorBrush(system_colour));
}

}  // namespace

StringGrid::StringGrid(Window& parent, int left, int top, int width, int height, Layout layout,
                       std::unique_ptr<GridRows> rows)
    : rows_(std::move(rows)),
      column_widths_(std::move(layout.column_widths)),
      row_height_(layout.row_height),
      yielding_column_(layout.yielding_column),
      row_count_(rows_->RowCount()) {
  Spec spec = ChildSpec(parent, left, top, width, height);
  spec.class_name = L"OzlGrid";
  spec.class_style = CS_DBLCLKS;
  spec.cursor = LoadCursorW(nullptr, IDC_HAND);
  spec.style |= WS_TABSTOP;
  Create(spec);
  rows_->SetView(this);
  bar_was_shown_ = BarShown();
}

StringGrid::~StringGrid() { rows_->SetView(nullptr); }

int StringGrid::ColumnWidthFor(std::string_view text) {
  const ScreenDc screen;
  const SelectedObject font(screen.get(), DefaultFont());
  const std::wstring wide = Widen(text);
  SIZE size{};
  GetTextExtentPoint32W(screen.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx + 2 * kTextMargin;
}

// Geometry ------------------------------------------------------------------------------------------

RECT StringGrid::Client() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client;
}

RECT StringGrid::ScrollBarRect() const {
  if (!BarShown()) return {};
  const RECT client = Client();
  return {std::max<LONG>(0, client.right - GetSystemMetrics(SM_CXVSCROLL)), 0, client.right, client.bottom};
}

RECT StringGrid::RowsArea() const {
  RECT area = Client();
  if (BarShown()) area.right = ScrollBarRect().left;
  return area;
}

std::size_t StringGrid::WholeRowsInView() const {
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::max<LONG>(0, Client().bottom + kGridLine) / Pitch()));
}

std::size_t StringGrid::RowsInView() const {
  return static_cast<std::size_t>((std::max<LONG>(0, Client().bottom) + Pitch() - 1) / Pitch());
}

std::size_t StringGrid::LastTopRow() const {
  const std::size_t whole = WholeRowsInView();
  return row_count_ > whole ? row_count_ - whole : 0;
}

RECT StringGrid::ThumbRect() const {
  const RECT bar = ScrollBarRect();
  const int arrow = std::min<int>(GetSystemMetrics(SM_CYVSCROLL), (bar.bottom - bar.top) / 2);
  const int track = std::max(0, static_cast<int>(bar.bottom - bar.top) - 2 * arrow);
  const double shown = static_cast<double>(WholeRowsInView()) / static_cast<double>(std::max<std::size_t>(row_count_, 1));
  const int thumb = std::min(track, std::max(kSmallestThumb, static_cast<int>(track * shown)));
  const std::size_t last_top = LastTopRow();
  const int offset = last_top == 0 ? 0
                                   : static_cast<int>(static_cast<double>(track - thumb) * static_cast<double>(top_row_) /
                                                      static_cast<double>(last_top));
  return {bar.left, bar.top + arrow + offset, bar.right, bar.top + arrow + offset + thumb};
}

StringGrid::BarPart StringGrid::BarPartAt(POINT point) const {
  const RECT bar = ScrollBarRect();
  if (!Inside(bar, point)) return BarPart::kNone;
  const int arrow = std::min<int>(GetSystemMetrics(SM_CYVSCROLL), (bar.bottom - bar.top) / 2);
  if (point.y < bar.top + arrow) return BarPart::kLineUp;
  if (point.y >= bar.bottom - arrow) return BarPart::kLineDown;
  const RECT thumb = ThumbRect();
  if (point.y < thumb.top) return BarPart::kPageUp;
  if (point.y >= thumb.bottom) return BarPart::kPageDown;
  return BarPart::kThumb;
}

std::vector<int> StringGrid::ColumnWidths() const {
  const int available = RowsArea().right;
  std::vector<int> widths = column_widths_;
  const int needed = std::accumulate(widths.begin(), widths.end(), 0) + static_cast<int>(widths.size()) * kGridLine;
  if (needed > available && yielding_column_ < widths.size()) {
    int& yielding = widths[yielding_column_];
    yielding = std::max(0, yielding - (needed - available));
  }
  return widths;
}

std::optional<GridCell> StringGrid::CellAt(POINT point) const {
  if (point.x < 0 || point.y < 0 || point.x >= RowsArea().right) return std::nullopt;
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

// Changes --------------------------------------------------------------------------------------------

void StringGrid::Select(std::size_t row) {
  SetFocusRow(std::min(row, row_count_ - 1), false);
  EnsureVisible(focus_);
}

void StringGrid::SetVisible(bool visible) { ShowWindow(hwnd(), visible ? SW_SHOW : SW_HIDE); }

void StringGrid::ScrollTo(std::size_t top_row) {
  top_row = std::min(top_row, LastTopRow());
  if (top_row == top_row_) return;
  const auto shift = static_cast<std::ptrdiff_t>(top_row) - static_cast<std::ptrdiff_t>(top_row_);
  top_row_ = top_row;
  const RECT rows = RowsArea();
  if (static_cast<std::size_t>(std::abs(shift)) < RowsInView()) {
    // Rows already painted move; only the rows that come into view are painted.
    ScrollWindowEx(hwnd(), 0, static_cast<int>(-shift) * Pitch(), &rows, &rows, nullptr, nullptr, SW_INVALIDATE);
  } else {
    InvalidateRect(hwnd(), &rows, FALSE);
  }
  InvalidateBar();
}

void StringGrid::ScrollBy(std::ptrdiff_t rows) {
  const std::ptrdiff_t top = static_cast<std::ptrdiff_t>(top_row_) + rows;
  ScrollTo(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, top)));
}

void StringGrid::RowCountChanged(std::size_t row_count) {
  const std::size_t old_count = row_count_;
  row_count_ = row_count;
  const std::size_t old_first = SelectionFirst();
  const std::size_t old_last = SelectionLast();
  anchor_ = std::min(anchor_, row_count_ - 1);
  focus_ = std::min(focus_, row_count_ - 1);
  if (BarShown() != bar_was_shown_ || top_row_ > LastTopRow()) {
    // The columns' room changed, or the rows in view did: all of it is repainted.
    bar_was_shown_ = BarShown();
    top_row_ = std::min(top_row_, LastTopRow());
    InvalidateRect(hwnd(), nullptr, FALSE);
    return;
  }
  InvalidateRows(std::min(old_count, row_count_), std::max(old_count, row_count_));
  if (SelectionFirst() != old_first || SelectionLast() != old_last) {
    InvalidateRows(std::min(SelectionFirst(), old_first), std::max(SelectionLast(), old_last) + 1);
  }
  // The thumb follows once the notices of a burst are through: a busy server sends thousands of
  // changes in one answer, and under Wine every invalidation asks the window server.
  if (!bar_pending_) bar_pending_ = PostMessageW(hwnd(), kBarChangedMessage, 0, 0) != FALSE;
}

void StringGrid::InvalidateRows(std::size_t first, std::size_t end) {
  const std::size_t view_end = top_row_ + RowsInView();
  first = std::max(first, top_row_);
  end = std::min(end, view_end);
  if (first >= end) return;
  const RECT rows{0, static_cast<int>(first - top_row_) * Pitch(), RowsArea().right,
                  static_cast<int>(end - top_row_) * Pitch()};
  InvalidateRect(hwnd(), &rows, FALSE);
}

void StringGrid::InvalidateBar() {
  const RECT bar = ScrollBarRect();
  if (!IsRectEmpty(&bar)) InvalidateRect(hwnd(), &bar, FALSE);
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

// Painting -------------------------------------------------------------------------------------------

void StringGrid::Paint(HDC dc, const RECT& area) {
  RECT rows_area{};
  const RECT rows = RowsArea();
  if (IntersectRect(&rows_area, &area, &rows)) FillArea(dc, rows_area, COLOR_WINDOW);
  SelectedObject font(dc, DefaultFont());
  const std::vector<int> widths = ColumnWidths();
  const int right_edge = std::accumulate(widths.begin(), widths.end(), 0) + static_cast<int>(widths.size()) * kGridLine;
  const std::size_t first = top_row_ + static_cast<std::size_t>(std::max<LONG>(area.top, 0) / Pitch());
  const std::size_t end =
      std::min(row_count_, top_row_ + static_cast<std::size_t>((area.bottom + Pitch() - 1) / Pitch()));
  for (std::size_t row = first; row < end; ++row) PaintRow(dc, row, widths, right_edge);
  RECT bar_area{};
  const RECT bar = ScrollBarRect();
  if (IntersectRect(&bar_area, &area, &bar)) PaintBar(dc);
}

void StringGrid::PaintRow(HDC dc, std::size_t row, const std::vector<int>& widths, int right_edge) {
  const bool selected = row >= SelectionFirst() && row <= SelectionLast();
  SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const int top = static_cast<int>(row - top_row_) * Pitch();
  int left = 0;
  for (std::size_t column = 0; column < widths.size(); ++column) {
    const RECT cell{left, top, left + widths[column], top + row_height_};
    const std::wstring text = Widen(rows_->Cell(row, column));
    ExtTextOutW(dc, left + kTextMargin, top + 2, ETO_CLIPPED | ETO_OPAQUE, &cell, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    if (on_draw_cell) on_draw_cell(dc, {row, column}, cell);
    left += widths[column];
    FillArea(dc, {left, top, left + kGridLine, top + Pitch()}, COLOR_BTNFACE);
    left += kGridLine;
  }
  FillArea(dc, {0, top + row_height_, right_edge, top + Pitch()}, COLOR_BTNFACE);
}

void StringGrid::PaintBar(HDC dc) {
  const RECT bar = ScrollBarRect();
  FillArea(dc, bar, COLOR_SCROLLBAR);
  const int arrow = std::min<int>(GetSystemMetrics(SM_CYVSCROLL), (bar.bottom - bar.top) / 2);
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  SelectedObject brush(dc, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, GetSysColor(COLOR_BTNTEXT));
  for (const bool up : {true, false}) {
    RECT button{bar.left, up ? bar.top : bar.bottom - arrow, bar.right, up ? bar.top + arrow : bar.bottom};
    const bool pressed = pressed_ == (up ? BarPart::kLineUp : BarPart::kLineDown);
    FillArea(dc, button, COLOR_BTNFACE);
    DrawEdge(dc, &button, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int middle = (button.left + button.right) / 2;
    const int centre = (button.top + button.bottom) / 2;
    const int tip = up ? -2 : 2;
    const POINT triangle[] = {{middle - 4, centre - tip}, {middle + 4, centre - tip}, {middle, centre + 2 * tip}};
    Polygon(dc, triangle, 3);
  }
  RECT thumb = ThumbRect();
  FillArea(dc, thumb, COLOR_BTNFACE);
  DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
}

// The scroll bar ------------------------------------------------------------------------------------

void StringGrid::PressBar(BarPart part, POINT at) {
  pressed_ = part;
  SetCapture(hwnd());
  const std::ptrdiff_t page = static_cast<std::ptrdiff_t>(WholeRowsInView());
  switch (part) {
    case BarPart::kThumb:
      thumb_grip_ = at.y - ThumbRect().top;
      break;
    case BarPart::kPageUp:
    case BarPart::kPageDown:
      ScrollBy(part == BarPart::kPageUp ? -page : page);
      SetTimer(hwnd(), kRepeatTimer, kRepeatDelayMs, nullptr);
      break;
    default:
      RepeatBarPress();
      SetTimer(hwnd(), kRepeatTimer, kRepeatDelayMs, nullptr);
      break;
  }
  InvalidateBar();
}

void StringGrid::RepeatBarPress() {
  // Paging stops once the thumb has reached the pointer that holds the button.
  POINT pointer{};
  GetCursorPos(&pointer);
  ScreenToClient(hwnd(), &pointer);
  const BarPart under = BarPartAt(pointer);
  const std::ptrdiff_t page = static_cast<std::ptrdiff_t>(WholeRowsInView());
  switch (pressed_) {
    case BarPart::kLineUp:
      return ScrollBy(-1);
    case BarPart::kLineDown:
      return ScrollBy(1);
    case BarPart::kPageUp:
      if (under == BarPart::kPageUp) ScrollBy(-page);
      return;
    case BarPart::kPageDown:
      if (under == BarPart::kPageDown) ScrollBy(page);
      return;
    default:
      return;
  }
}

void StringGrid::DragThumb(int y) {
  const RECT bar = ScrollBarRect();
  const RECT thumb = ThumbRect();
  const int arrow = std::min<int>(GetSystemMetrics(SM_CYVSCROLL), (bar.bottom - bar.top) / 2);
  const int travel = static_cast<int>(bar.bottom - bar.top) - 2 * arrow - static_cast<int>(thumb.bottom - thumb.top);
  if (travel <= 0) return;
  const int offset = std::clamp(y - thumb_grip_ - static_cast<int>(bar.top) - arrow, 0, travel);
  ScrollTo(static_cast<std::size_t>(std::lround(static_cast<double>(offset) * static_cast<double>(LastTopRow()) / travel)));
}

void StringGrid::Wheel(int delta) {
  UINT lines_per_notch = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines_per_notch, 0);
  wheel_rest_ += delta;
  const int notches = wheel_rest_ / WHEEL_DELTA;
  wheel_rest_ %= WHEEL_DELTA;
  ScrollBy(-static_cast<std::ptrdiff_t>(notches) * static_cast<std::ptrdiff_t>(lines_per_notch));
}

// Input ----------------------------------------------------------------------------------------------

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
      bar_was_shown_ = BarShown();
      top_row_ = std::min(top_row_, LastTopRow());
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case kBarChangedMessage:
      bar_pending_ = false;
      InvalidateBar();
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
      const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (const BarPart part = BarPartAt(at); part != BarPart::kNone) {
        PressBar(part, at);
        return 0;
      }
      if (const auto cell = CellAt(at)) {
        SetFocusRow(cell->row, (wparam & MK_SHIFT) != 0);
        dragging_rows_ = true;
        SetCapture(hwnd());
      }
      if (message == WM_LBUTTONDBLCLK && on_double_click) on_double_click();
      return 0;
    }
    case WM_TIMER:
      if (wparam == kRepeatTimer) {
        SetTimer(hwnd(), kRepeatTimer, kRepeatIntervalMs, nullptr);
        RepeatBarPress();
      }
      return 0;
    case WM_MOUSEMOVE: {
      const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (pressed_ == BarPart::kThumb) {
        DragThumb(at.y);
        return 0;
      }
      if (dragging_rows_) {
        const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(top_row_) + (at.y < 0 ? -1 : at.y / Pitch());
        const auto clamped = static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(row, 0, static_cast<std::ptrdiff_t>(row_count_) - 1));
        SetFocusRow(clamped, true);
        EnsureVisible(clamped);
      }
      if (on_mouse_move && pressed_ == BarPart::kNone) on_mouse_move(at);
      return 0;
    }
    case WM_LBUTTONUP:
      if (dragging_rows_ || pressed_ != BarPart::kNone) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      dragging_rows_ = false;
      if (pressed_ != BarPart::kNone) {
        KillTimer(hwnd(), kRepeatTimer);
        pressed_ = BarPart::kNone;
        InvalidateBar();
      }
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
