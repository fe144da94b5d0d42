#include "platform/edits.h"

#include "platform/bitmap.h"
#include "platform/text.h"
#include "platform/window.h"
#include "text/lines.h"

namespace ozl::platform {

// ColorEdit --------------------------------------------------------------------------------------

ColorEdit::ColorEdit(HWND parent, int left, int top, int width, int height, const Style& style) {
  DWORD edit_style = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
  if (style.password) edit_style |= ES_PASSWORD;
  Create(parent, L"EDIT", edit_style, WS_EX_CLIENTEDGE, left, top, width, height);
  if (style.password) SendMessageW(hwnd(), EM_SETPASSWORDCHAR, '*', 0);
  if (style.max_length > 0) SendMessageW(hwnd(), EM_SETLIMITTEXT, style.max_length, 0);
  state_.background = style.colour;
  state_.current_color = style.current_color;
  state_.current_font = style.current_font;
  ApplyState();
}

ColorEdit* ColorEdit::entered_ = nullptr;

ColorEdit::~ColorEdit() {
  if (entered_ == this) entered_ = nullptr;
}

void ColorEdit::Enter() {
  if (entered_ == this) return;
  if (entered_) entered_->Leave();
  entered_ = this;
  state_.Enter();
  ApplyState();
}

void ColorEdit::Leave() {
  if (entered_ != this) return;
  entered_ = nullptr;
  state_.Exit();
  ApplyState();
}

void ColorEdit::SetPasswordChar(wchar_t character) {
  SendMessageW(hwnd(), EM_SETPASSWORDCHAR, character, 0);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

wchar_t ColorEdit::PasswordChar() const {
  return static_cast<wchar_t>(SendMessageW(hwnd(), EM_GETPASSWORDCHAR, 0, 0));
}

void ColorEdit::ApplyState() {
  brush_.reset(CreateSolidBrush(ToColorRef(state_.background)));
  skin::FontSpec face_only = state_.font;
  face_only.colour = 0;
  if (!font_ || !(face_only == font_spec_)) {
    font_ = CreateUiFont(face_only.face, face_only.height, face_only.bold);
    font_spec_ = face_only;
    SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

HBRUSH ColorEdit::ControlColours(HDC dc) {
  SetTextColor(dc, ToColorRef(state_.font.colour));
  SetBkColor(dc, ToColorRef(state_.background));
  return brush_.get();
}

void ColorEdit::Notified(WORD code) {
  if (code == EN_CHANGE && on_change) on_change();
}

LRESULT ColorEdit::SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETFOCUS:
      Enter();
      break;
    case WM_KILLFOCUS: {
      const auto gaining = reinterpret_cast<HWND>(wparam);
      if (gaining && GetWindowThreadProcessId(gaining, nullptr) == GetCurrentThreadId()) Leave();
      break;
    }
    case WM_GETDLGCODE:
      if (lparam && reinterpret_cast<const MSG*>(lparam)->wParam == VK_RETURN && on_key_down) {
        return DLGC_WANTALLKEYS | DefaultProc(message, wparam, lparam);
      }
      break;
    case WM_KEYDOWN:
      if (on_key_down) {
        // The handler may close the window; keep the field's own handling only if it still exists.
        const HWND self = hwnd();
        on_key_down(wparam);
        if (!IsWindow(self)) return 0;
      }
      break;
    case WM_CHAR:
      if (on_key_press) on_key_press(static_cast<wchar_t>(wparam));
      if (wparam == L'\r' || wparam == L'\n') return 0;  // a one-line field: no beep for Enter
      break;
    case WM_LBUTTONUP:
      if (on_click) {
        const LRESULT result = DefaultProc(message, wparam, lparam);
        on_click();
        return result;
      }
      break;
    default:
      break;
  }
  return DefaultProc(message, wparam, lparam);
}

// Memo -------------------------------------------------------------------------------------------

Memo::Memo(HWND parent, int left, int top, int width, int height, std::uint32_t colour, bool read_only)
    : colour_(ToColorRef(colour)), brush_(CreateSolidBrush(ToColorRef(colour))) {
  DWORD style = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (read_only) style |= ES_READONLY;
  Create(parent, L"EDIT", style, WS_EX_CLIENTEDGE, left, top, width, height);
  // The default limit of an edit field is far too small for a long conversation.
  SendMessageW(hwnd(), EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
}

void Memo::AppendLine(std::string_view cp1251) {
  const int length = GetWindowTextLengthW(hwnd());
  std::wstring line = Widen(cp1251.substr(0, kLongestShownLine));
  if (cp1251.size() > kLongestShownLine) line += L'\u2026';
  line += L"\r\n";
  // Text typed without a final line break gets one first, so the new line stands on its own. Only
  // the last line is looked at: a chat memo grows for as long as the program runs.
  const LRESULT last_line = SendMessageW(hwnd(), EM_GETLINECOUNT, 0, 0) - 1;
  const LRESULT last_line_start = SendMessageW(hwnd(), EM_LINEINDEX, last_line, 0);
  if (length > 0 && last_line_start >= 0 && last_line_start < length) line.insert(0, L"\r\n");
  SendMessageW(hwnd(), EM_SETSEL, length, length);
  SendMessageW(hwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(hwnd(), EM_SCROLLCARET, 0, 0);
}

void Memo::ShowFromTop() {
  SendMessageW(hwnd(), EM_SETSEL, 0, 0);
  SendMessageW(hwnd(), EM_SCROLLCARET, 0, 0);
}

std::vector<std::string> Memo::Lines() const { return text::SplitLines(Text()); }

HBRUSH Memo::ControlColours(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, colour_);
  return brush_.get();
}

}  // namespace ozl::platform
