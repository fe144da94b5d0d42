#include "platform/list_box.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/window.h"

namespace ozl::platform {
namespace {

constexpr UINT kCatchUpMessage = WM_APP + 2;

}  // namespace

ListBox::ListBox(HWND parent, int left, int top, int width, int height, const Style& style,
                 std::function<std::string(std::size_t index)> item_text)
    : style_(style),
      item_text_(std::move(item_text)),
      brush_(CreateSolidBrush(style.background)),
      font_(CreateUiFont("MS Sans Serif", style.font_height, false)) {
  Create(parent, L"LISTBOX",
         WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_NODATA |
             LBS_OWNERDRAWFIXED,
         WS_EX_CLIENTEDGE, left, top, width, height);
  SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SendMessageW(hwnd(), LB_SETITEMHEIGHT, 0, style.item_height);
}

std::size_t ListBox::Count() const { return count_; }

std::vector<std::string> ListBox::Items() const {
  std::vector<std::string> items;
  for (std::size_t index = 0, count = Count(); index < count; ++index) items.push_back(item_text_(index));
  return items;
}

void ListBox::Replaced(std::size_t first, std::size_t removed, std::size_t inserted) {
  if (!catching_up_) {
    selected_ = Selected();
    changed_from_ = first;
    catching_up_ = PostMessageW(hwnd(), kCatchUpMessage, 0, 0) != FALSE;
  }
  if (selected_ && *selected_ >= first) {
    if (*selected_ < first + removed) {
      selected_.reset();
    } else {
      *selected_ = *selected_ + inserted - removed;
    }
  }
  count_ = count_ + inserted - removed;
  changed_from_ = std::min(changed_from_, first);
  if (!catching_up_) CatchUp();
}

void ListBox::CatchUp() {
  catching_up_ = false;
  SendMessageW(hwnd(), LB_SETCOUNT, count_, 0);
  Select(selected_);
  RECT changed{};
  GetClientRect(hwnd(), &changed);
  RECT first_line{};
  const LRESULT top = SendMessageW(hwnd(), LB_GETTOPINDEX, 0, 0);
  if (top != LB_ERR && changed_from_ >= static_cast<std::size_t>(top) &&
      SendMessageW(hwnd(), LB_GETITEMRECT, changed_from_, reinterpret_cast<LPARAM>(&first_line)) != LB_ERR) {
    changed.top = first_line.top;
  }
  InvalidateRect(hwnd(), &changed, TRUE);
}

void ListBox::Reset(std::size_t count) {
  count_ = count;
  catching_up_ = false;
  SendMessageW(hwnd(), LB_SETCOUNT, count, 0);
  Select(std::nullopt);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

std::optional<std::size_t> ListBox::Selected() const {
  if (catching_up_) return selected_;
  const LRESULT index = SendMessageW(hwnd(), LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return std::nullopt;
  return static_cast<std::size_t>(index);
}

void ListBox::Select(std::optional<std::size_t> index) {
  selected_ = index;
  SendMessageW(hwnd(), LB_SETCURSEL, index ? static_cast<WPARAM>(*index) : static_cast<WPARAM>(-1), 0);
}

HBRUSH ListBox::ControlColours(HDC dc) {
  SetTextColor(dc, style_.text);
  SetBkColor(dc, style_.background);
  return brush_.get();
}

void ListBox::Notified(WORD code) {
  if (code == LBN_DBLCLK && on_double_click) on_double_click();
}

bool ListBox::DrawItem(const DRAWITEMSTRUCT& item) {
  RECT area = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &area, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : brush_.get());
  if (item.itemID != static_cast<UINT>(-1) && item.itemID < count_) {
    SelectedObject font(item.hDC, font_.get());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : style_.text);
    const std::wstring text = Widen(item_text_(item.itemID));
    area.left += 2;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
  return true;
}

LRESULT ListBox::SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kCatchUpMessage) {
    if (catching_up_) CatchUp();
    return 0;
  }
  return SubclassedControl::SubclassProc(message, wparam, lparam);
}

}  // namespace ozl::platform

