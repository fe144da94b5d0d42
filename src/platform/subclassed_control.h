// Controls made of the system's own window classes (EDIT, LISTBOX, ...), subclassed so that the
// object hears its messages and its parent can ask it for its colours.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/handles.h"

namespace ozl::platform {

class SubclassedControl {
 public:
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;
  virtual ~SubclassedControl();

  HWND hwnd() const { return hwnd_.get(); }
  static SubclassedControl* FromHandle(HWND window);

  std::string Text() const;
  void SetText(std::string_view cp1251);
  void Focus();
  // The control keeps the font for as long as it lives.
  void SetFont(UniqueFont font);
  void SetEnabled(bool enabled);
  bool enabled() const;

  // Answers the parent's WM_CTLCOLOR* request: sets the colours on dc and returns the background
  // brush, or nullptr for the system's colours.
  virtual HBRUSH ControlColours(HDC dc);
  // A notification the control sent its parent (WM_COMMAND), such as a click or a double-click;
  // a slider's moves (WM_HSCROLL) come the same way.
  virtual void Notified(WORD /*code*/) {}
  // An owner-drawn control's item to draw (WM_DRAWITEM); false leaves it to the system.
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }

 protected:
  SubclassedControl() = default;
  void Create(HWND parent, const wchar_t* class_name, DWORD style, DWORD ex_style, int left, int top,
              int width, int height);
  virtual LRESULT SubclassProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DefaultProc(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR id, DWORD_PTR self);

  UniqueFont font_;  // outlives the window that uses it
  UniqueWindow hwnd_;
};

}  // namespace ozl::platform
