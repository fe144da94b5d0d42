#include "platform/list_box.h"

#include "platform/text.h"
#include "platform/window.h"

namespace ozl::platform {

ListBox::ListBox(HWND parent, int left, int top, int width, int height, const Style& style)
    : style_(style), brush_(CreateSolidBrush(style.background)) {
  Create(parent, L"LISTBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
         WS_EX_CLIENTEDGE, left, top, width, height);
  SetFont(CreateUiFont("MS Sans Serif", style.font_height, false));
  SendMessageW(hwnd(), LB_SETITEMHEIGHT, 0, style.item_height);
}

std::size_t ListBox::Count() const {
  const LRESULT count = SendMessageW(hwnd(), LB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::string ListBox::Item(std::size_t index) const {
  const LRESULT length = SendMessageW(hwnd(), LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(hwnd(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
  return Narrow(text);
}

std::vector<std::string> ListBox::Items() const {
  std::vector<std::string> items;
  for (std::size_t index = 0, count = Count(); index < count; ++index) items.push_back(Item(index));
  return items;
}

void ListBox::Insert(std::size_t index, std::string_view cp1251) {
  SendMessageW(hwnd(), LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(Widen(cp1251).c_str()));
}

void ListBox::Delete(std::size_t index) { SendMessageW(hwnd(), LB_DELETESTRING, index, 0); }

void ListBox::Clear() { SendMessageW(hwnd(), LB_RESETCONTENT, 0, 0); }

std::optional<std::size_t> ListBox::Selected() const {
  const LRESULT index = SendMessageW(hwnd(), LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return std::nullopt;
  return static_cast<std::size_t>(index);
}

void ListBox::Select(std::optional<std::size_t> index) {
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

}  // namespace ozl::platform
