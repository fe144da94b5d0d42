#include "platform/subclassed_control.h"

#include <commctrl.h>

#include "platform/text.h"
#include "platform/window.h"

namespace ozl::platform {
namespace {

constexpr UINT_PTR kSubclassId = 0x4F5A4C;
// The control's object, for its parent's colour requests.
constexpr const wchar_t* kObjectProperty = L"OzlControl";

}  // namespace

SubclassedControl::~SubclassedControl() {
  if (!hwnd_) return;
  RemoveWindowSubclass(hwnd_.get(), &SubclassedControl::Thunk, kSubclassId);
  RemovePropW(hwnd_.get(), kObjectProperty);
}

SubclassedControl* SubclassedControl::FromHandle(HWND window) {
  return window ? static_cast<SubclassedControl*>(GetPropW(window, kObjectProperty)) : nullptr;
}

void SubclassedControl::Create(HWND parent, const wchar_t* class_name, DWORD style, DWORD ex_style,
                               int left, int top, int width, int height) {
  hwnd_.reset(CreateWindowExW(ex_style, class_name, L"", style | WS_CHILD, left, top, width, height,
                              parent, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!hwnd_) ThrowWindowError();
  SetWindowSubclass(hwnd_.get(), &SubclassedControl::Thunk, kSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
  SetPropW(hwnd_.get(), kObjectProperty, this);
  SendMessageW(hwnd_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
}

std::string SubclassedControl::Text() const {
  const int length = GetWindowTextLengthW(hwnd());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(GetWindowTextW(hwnd(), text.data(), length + 1));
  return Narrow(text);
}

void SubclassedControl::SetText(std::string_view cp1251) {
  SetWindowTextW(hwnd(), Widen(cp1251).c_str());
}

void SubclassedControl::Focus() { SetFocus(hwnd()); }
void SubclassedControl::SetEnabled(bool enabled) { EnableWindow(hwnd(), enabled); }
bool SubclassedControl::enabled() const { return IsWindowEnabled(hwnd()) != FALSE; }

void SubclassedControl::SetFont(UniqueFont font) {
  font_ = std::move(font);
  SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_ ? font_.get() : DefaultFont()), TRUE);
}

HBRUSH SubclassedControl::ControlColours(HDC) { return nullptr; }

LRESULT SubclassedControl::SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefaultProc(message, wparam, lparam);
}

LRESULT SubclassedControl::DefaultProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefSubclassProc(hwnd(), message, wparam, lparam);
}

LRESULT CALLBACK SubclassedControl::Thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR, DWORD_PTR self_data) {
  auto* self = reinterpret_cast<SubclassedControl*>(self_data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &SubclassedControl::Thunk, kSubclassId);
    RemovePropW(window, kObjectProperty);
    self->hwnd_.release();
    return DefSubclassProc(window, message, wparam, lparam);
  }
  try {
    return self->SubclassProc(message, wparam, lparam);
  } catch (...) {
    ReportEscaped();
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace ozl::platform
