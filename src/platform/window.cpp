#include "platform/window.h"

#include <set>

#include "platform/effects.h"
#include "platform/subclassed_control.h"
#include "platform/system_message.h"
#include "platform/text.h"

namespace ozl::platform {
Window::~Window() { Destroy(); }

void Window::Destroy() {
  if (!hwnd_) return;
  // Detached first: the messages of the destruction must not reach a half-destroyed object.
  SetWindowLongPtrW(hwnd_.get(), 0, 0);
  hwnd_.reset();
  Destroyed();
}

Window* Window::FromHandle(HWND window) {
  if (!window) return nullptr;
  wchar_t class_name[64] = {};
  GetClassNameW(window, class_name, 64);
  if (std::wstring_view(class_name).substr(0, 3) != L"Ozl") return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(window, 0));
}

std::string Window::Text() const {
  const int length = GetWindowTextLengthW(hwnd());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(GetWindowTextW(hwnd(), text.data(), length + 1));
  return Narrow(text);
}

void Window::SetText(std::string_view cp1251) { SetWindowTextW(hwnd(), Widen(cp1251).c_str()); }

Window::Spec Window::ChildSpec(const Window& parent, int left, int top, int width, int height) {
  Spec spec;
  spec.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  spec.parent = parent.hwnd();
  spec.x = left;
  spec.y = top;
  spec.width = width;
  spec.height = height;
  return spec;
}

void Window::Create(const Spec& spec) {
  static std::set<std::wstring> registered;
  if (registered.insert(spec.class_name).second) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.style = spec.class_style;
    window_class.lpfnWndProc = &Window::Procedure;
    window_class.cbWndExtra = sizeof(Window*);
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = spec.cursor ? spec.cursor : LoadCursorW(nullptr, IDC_ARROW);
    window_class.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"APP");
    window_class.lpszClassName = spec.class_name;
    RegisterClassExW(&window_class);
  }
  CreateWindowExW(spec.ex_style, spec.class_name, spec.text.c_str(), spec.style, spec.x, spec.y,
                  spec.width, spec.height, spec.parent, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) ThrowWindowError();
}

void ThrowWindowError() {
  const DWORD error = GetLastError();
  throw WindowError("Error creating window: " + SystemMessage(error, "error " + std::to_string(error)));
}

void ReportEscaped() noexcept {
  try {
    throw;
  } catch (const std::exception& error) {
    try {
      effects().error_box(error.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      effects().error_box("Unknown error");
    } catch (...) {
    }
  }
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (SubclassedControl* control = SubclassedControl::FromHandle(reinterpret_cast<HWND>(lparam))) {
        if (HBRUSH brush = control->ControlColours(reinterpret_cast<HDC>(wparam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
      }
      break;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      SubclassedControl* control = SubclassedControl::FromHandle(item.hwndItem);
      if (control && control->DrawItem(item)) return TRUE;
      break;
    }
    case WM_COMMAND:
      if (SubclassedControl* control = SubclassedControl::FromHandle(reinterpret_cast<HWND>(lparam))) {
        control->Notified(HIWORD(wparam));
        return 0;
      }
      break;
    case WM_HSCROLL:
      if (SubclassedControl* control = SubclassedControl::FromHandle(reinterpret_cast<HWND>(lparam))) {
        control->Notified(LOWORD(wparam));
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_.reset(window);
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, 0));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // Destroyed by the system (a closed window, a destroyed parent): nothing left to own.
    SetWindowLongPtrW(window, 0, 0);
    LRESULT result = 0;
    try {
      result = self->HandleMessage(message, wparam, lparam);
    } catch (...) {
      ReportEscaped();
    }
    self->hwnd_.release();
    try {
      self->Destroyed();
    } catch (...) {
      ReportEscaped();
    }
    return result;
  }
  try {
    return self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    ReportEscaped();
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

UniqueFont CreateUiFont(const std::string& face, int height, bool bold) {
  return UniqueFont(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, Widen(face).c_str()));
}

HFONT DefaultFont() {
  static const UniqueFont font = CreateUiFont("MS Sans Serif", -11, false);
  return font.get();
}

}  // namespace ozl::platform
