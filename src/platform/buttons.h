// Controls made of the system's BUTTON and trackbar classes: check box, radio button, push
// button and slider, and the group box that frames radio buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "platform/handles.h"
#include "platform/subclassed_control.h"
#include "platform/window.h"

namespace ozl::platform {

// A check box on a coloured background. on_change runs whenever its mark changes, whether the
// user clicked it or the program set it.
class CheckBox : public SubclassedControl {
 public:
  CheckBox(HWND parent, int left, int top, int width, int height, std::uint32_t colour);

  std::function<void()> on_change;
  bool Checked() const;
  void SetChecked(bool checked);

  HBRUSH ControlColours(HDC dc) override;
  void Notified(WORD code) override;

 private:
  COLORREF colour_;
  UniqueBrush brush_;
};

// A radio button; the buttons of one group box exclude each other. The first of a group starts it.
class RadioButton : public SubclassedControl {
 public:
  RadioButton(HWND parent, int left, int top, int width, int height, std::string_view caption,
              std::uint32_t colour, bool first_of_group);

  bool Checked() const;
  void SetChecked(bool checked);
  HBRUSH ControlColours(HDC dc) override;

 private:
  COLORREF colour_;
  UniqueBrush brush_;
};

// A captioned frame on a coloured background that holds radio buttons; Tab enters it.
class GroupBox : public Window {
 public:
  GroupBox(Window& parent, int left, int top, int width, int height, std::string_view caption,
           std::uint32_t colour);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  COLORREF colour_;
};

// The system's push button with a caption; on_click runs once per click, and once for Enter
// while the button has the focus, as a dialog's default button does.
class PushButton : public SubclassedControl {
 public:
  PushButton(HWND parent, int left, int top, int width, int height, std::string_view caption);
  std::function<void()> on_click;
  void Notified(WORD code) override;

 protected:
  LRESULT SubclassProc(UINT message, WPARAM wparam, LPARAM lparam) override;
};

// A horizontal slider over a range of whole numbers. on_change runs whenever its value changes,
// whether the user moved it or the program set it.
class Slider : public SubclassedControl {
 public:
  Slider(HWND parent, int left, int top, int width, int height, int minimum, int maximum, int value);

  std::function<void()> on_change;
  int Value() const;
  void SetValue(int value);
  void Notified(WORD code) override;

 private:
  int last_value_;
};

}  // namespace ozl::platform
