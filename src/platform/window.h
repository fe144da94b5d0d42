// The window base: one shared window procedure finds its object in the window's extra bytes and
// forwards every message to the virtual HandleMessage.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace ozl::platform {

// A window or control the system would not create: the handler that wanted it ends, instead of
// working on with a null handle.
struct WindowError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Throws WindowError with the system's reason for the last failure.
[[noreturn]] void ThrowWindowError();

// What a handler threw goes to the standard error box: an exception must not unwind through the
// system's code, which calls the window procedures (32-bit code cannot do that safely).
void ReportEscaped() noexcept;

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND hwnd() const { return hwnd_.get(); }
  bool exists() const { return static_cast<bool>(hwnd_); }

  std::string Text() const;
  void SetText(std::string_view cp1251);

  static Window* FromHandle(HWND window);

 protected:
  Window() = default;

  struct Spec {
    const wchar_t* class_name = L"OzlWindow";
    UINT class_style = 0;
    HCURSOR cursor = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND parent = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::wstring text;
  };
  // A visible child window at a place in its parent; the caller names its class and adds styles.
  static Spec ChildSpec(const Window& parent, int left, int top, int width, int height);
  void Create(const Spec& spec);
  void Destroy();

  // Everything not handled goes to DefWindowProc; colour requests and notifications of child
  // controls are passed to the control they come from.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // The window is gone (destroyed by the system or by Destroy); the object stays.
  virtual void Destroyed() {}

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  UniqueWindow hwnd_;
};

// The program's font: MS Sans Serif 8 pt with Cyrillic, shared by every window.
HFONT DefaultFont();
UniqueFont CreateUiFont(const std::string& face, int height, bool bold);

}  // namespace ozl::platform
