// Windowless controls: they have no window of their own, paint on their host's surface and get
// the mouse from it. A host is a form or a panel. The switch, which the keyboard must reach, is
// the one with a window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/window.h"
#include "skin/button_state.h"

namespace ozl::platform {

class Control;

class ControlHost {
 public:
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  virtual HWND HostWindow() const = 0;
  void Add(Control& control) { controls_.push_back(&control); }
  void Remove(Control& control);
  const std::vector<Control*>& controls() const { return controls_; }
  // Repaints the control's rectangle; at once when `now`.
  void InvalidateControl(const Control& control, bool now);

 protected:
  ControlHost() = default;
  ~ControlHost() = default;

  void PaintControls(HDC dc) const;
  // Mouse messages of the host window; true when a control took the message.
  bool RouteMouse(UINT message, WPARAM wparam, LPARAM lparam);
  // The cursor of the control under the point, or nullptr.
  HCURSOR CursorAt(POINT point) const;
  Control* ControlAt(POINT point) const;

 private:
  std::vector<Control*> controls_;
  Control* captured_ = nullptr;
  Control* hovered_ = nullptr;
  bool tracking_leave_ = false;
};

class Control {
 public:
  Control(ControlHost& host, int left, int top, int width, int height);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  const RECT& bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  void SetTop(int top) { SetBounds(bounds_.left, top, Width(), Height()); }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  HCURSOR cursor() const { return cursor_; }
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }

  virtual void Paint(HDC dc) const = 0;
  virtual void MouseDown(skin::MouseButton, POINT, bool /*second_of_double_click*/) {}
  virtual void MouseUp(skin::MouseButton, POINT, bool /*inside*/) {}
  virtual void MouseMove(POINT) {}
  virtual void MouseLeave() {}

  void Invalidate(bool now = false) { host_.InvalidateControl(*this, now); }

 protected:
  ControlHost& host_;

 private:
  RECT bounds_;
  bool visible_ = true;
  HCURSOR cursor_ = nullptr;
};

// Text on a coloured background, sized to the text; a line break starts a new line.
class Label : public Control {
 public:
  static constexpr std::size_t kMaxCaptionBytes = 4096;

  Label(ControlHost& host, int left, int top, std::string_view text, COLORREF background);
  void SetCaption(std::string_view cp1251);
  const std::string& caption() const { return caption_; }
  // The text in `colour`, in the program's font face at `height` (negative: the characters' height).
  void SetTextStyle(COLORREF colour, int height);
  // Lines wider than `width` break at words; 0 keeps every line whole.
  void SetWrapWidth(int width);
  void Paint(HDC dc) const override;

 private:
  UINT Format() const;
  void FitToText();
  HFONT Font() const;

  std::string caption_;
  COLORREF background_;
  COLORREF text_colour_ = RGB(0, 0, 0);
  UniqueFont font_;
  int wrap_width_ = 0;
};

// A picture; a left click on it (press and release inside) calls on_click once.
class Image : public Control {
 public:
  Image(ControlHost& host, int left, int top, Bitmap picture);
  std::function<void()> on_click;
  // The image takes the new picture's size.
  void SetPicture(Bitmap picture);
  const Bitmap& picture() const { return picture_; }
  void Paint(HDC dc) const override;
  void MouseDown(skin::MouseButton button, POINT, bool second_of_double_click) override;
  void MouseUp(skin::MouseButton button, POINT, bool inside) override;

 private:
  Bitmap picture_;
  bool armed_ = false;
};

// The push button drawn from one picture, with lighter hover and darker pressed looks derived
// from it. on_click runs once per click notification; handlers use ClickLatch to act once.
class BitmapButton : public Control {
 public:
  BitmapButton(ControlHost& host, int left, int top, Bitmap picture);
  std::function<void()> on_click;
  skin::ClickLatch ClickLatch;
  skin::ButtonState& state() { return state_; }

  void Paint(HDC dc) const override;
  void MouseDown(skin::MouseButton button, POINT at, bool second_of_double_click) override;
  void MouseUp(skin::MouseButton button, POINT at, bool inside) override;
  void MouseMove(POINT at) override;
  void MouseLeave() override;

 protected:
  BitmapButton(ControlHost& host, int left, int top, Bitmap normal, Bitmap hover, Bitmap pressed,
               POINT pressed_offset);

 private:
  Bitmap normal_;
  Bitmap hover_;
  Bitmap pressed_;
  POINT pressed_offset_;
  skin::ButtonState state_;
};

// The caption button with three pictures given by the designer: normal, hover and pressed.
class CaptionButton : public BitmapButton {
 public:
  // Loads NAME, NAME_OVER and NAME_DOWN from the exe's resources.
  CaptionButton(ControlHost& host, int left, int top, const std::wstring& resource_name);
};

// A two-state switch shown as one of two pictures on its colour: a left press turns it over and
// tells the window which way it went.
// A window of its own, so that Tab reaches it: a left press or the space key turns it, and a
// dotted frame shows that it has the focus.
class Switch : public Window {
 public:
  Switch(Window& parent, int left, int top, Bitmap off, Bitmap on, COLORREF colour);
  bool on() const { return on_; }
  std::function<void()> on_on;
  std::function<void()> on_off;
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void Turn();
  void Paint(HDC dc) const;

  Bitmap off_;
  Bitmap on_picture_;
  COLORREF colour_;
  HCURSOR cursor_ = nullptr;
  bool on_ = false;
};

// A rounded rectangle filled with one colour.
class RoundedShape : public Control {
 public:
  RoundedShape(ControlHost& host, int left, int top, int width, int height, COLORREF colour);
  void Paint(HDC dc) const override;

 private:
  COLORREF colour_;
};

}  // namespace ozl::platform
