#include "platform/buttons.h"

#include <commctrl.h>

#include "platform/bitmap.h"
#include "platform/text.h"

namespace ozl::platform {

// CheckBox ---------------------------------------------------------------------------------------

CheckBox::CheckBox(HWND parent, int left, int top, int width, int height, std::uint32_t colour)
    : colour_(ToColorRef(colour)), brush_(CreateSolidBrush(ToColorRef(colour))) {
  Create(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, left, top, width, height);
}

bool CheckBox::Checked() const { return SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
  if (Checked() == checked) return;
  SendMessageW(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (on_change) on_change();
}

HBRUSH CheckBox::ControlColours(HDC dc) {
  SetBkColor(dc, colour_);
  return brush_.get();
}

void CheckBox::Notified(WORD code) {
  if (code == BN_CLICKED && on_change) on_change();
}

// RadioButton ------------------------------------------------------------------------------------

RadioButton::RadioButton(HWND parent, int left, int top, int width, int height,
                         std::string_view caption, std::uint32_t colour, bool first_of_group)
    : colour_(ToColorRef(colour)), brush_(CreateSolidBrush(ToColorRef(colour))) {
  Create(parent, L"BUTTON", WS_VISIBLE | BS_AUTORADIOBUTTON | (first_of_group ? WS_GROUP | WS_TABSTOP : 0),
         0, left, top, width, height);
  SetText(caption);
}

bool RadioButton::Checked() const { return SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void RadioButton::SetChecked(bool checked) {
  SendMessageW(hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

HBRUSH RadioButton::ControlColours(HDC dc) {
  SetBkColor(dc, colour_);
  return brush_.get();
}

// GroupBox ---------------------------------------------------------------------------------------

GroupBox::GroupBox(Window& parent, int left, int top, int width, int height, std::string_view caption,
                   std::uint32_t colour)
    : colour_(ToColorRef(colour)) {
  Spec spec = ChildSpec(parent, left, top, width, height);
  spec.class_name = L"OzlGroupBox";
  spec.ex_style = WS_EX_CONTROLPARENT;
  spec.text = Widen(caption);
  Create(spec);
}

LRESULT GroupBox::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return Window::HandleMessage(message, wparam, lparam);
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(hwnd(), &ps);
  RECT area;
  GetClientRect(hwnd(), &area);
  const UniqueBrush brush(CreateSolidBrush(colour_));
  FillRect(dc, &area, brush.get());
  SelectedObject font(dc, DefaultFont());
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT frame = area;
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const std::wstring caption = Widen(Text());
  RECT label{8, 0, area.right - 8, metrics.tmHeight};
  SetBkColor(dc, colour_);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &label,
            DT_NOPREFIX | DT_SINGLELINE | DT_CALCRECT);
  ExtTextOutW(dc, label.left, label.top, ETO_OPAQUE, &label, caption.c_str(),
              static_cast<UINT>(caption.size()), nullptr);
  EndPaint(hwnd(), &ps);
  return 0;
}

// PushButton -------------------------------------------------------------------------------------

PushButton::PushButton(HWND parent, int left, int top, int width, int height, std::string_view caption) {
  Create(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, left, top, width, height);
  SetText(caption);
}

LRESULT PushButton::SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN && wparam == VK_RETURN && on_click) {
    on_click();
    return 0;
  }
  return DefaultProc(message, wparam, lparam);
}

void PushButton::Notified(WORD code) {
  if (code == BN_CLICKED && on_click) on_click();
}

// Slider -----------------------------------------------------------------------------------------

Slider::Slider(HWND parent, int left, int top, int width, int height, int minimum, int maximum, int value)
    : last_value_(value) {
  Create(parent, TRACKBAR_CLASSW, WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS, 0, left, top,
         width, height);
  SendMessageW(hwnd(), TBM_SETRANGEMIN, FALSE, minimum);
  SendMessageW(hwnd(), TBM_SETRANGEMAX, FALSE, maximum);
  SendMessageW(hwnd(), TBM_SETTICFREQ, 16, 0);
  SendMessageW(hwnd(), TBM_SETPOS, TRUE, value);
}

int Slider::Value() const { return static_cast<int>(SendMessageW(hwnd(), TBM_GETPOS, 0, 0)); }

void Slider::SetValue(int value) {
  SendMessageW(hwnd(), TBM_SETPOS, TRUE, value);
  Notified(TB_ENDTRACK);
}

void Slider::Notified(WORD) {
  const int value = Value();
  if (value == last_value_) return;
  last_value_ = value;
  if (on_change) on_change();
}

}  // namespace ozl::platform
