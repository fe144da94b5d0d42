#include "platform/controls.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/window.h"

namespace ozl::platform {
namespace {

POINT Local(const Control& control, POINT host_point) {
  return {host_point.x - control.bounds().left, host_point.y - control.bounds().top};
}

bool Inside(const RECT& bounds, POINT point) { return PtInRect(&bounds, point) != FALSE; }

}  // namespace

// ControlHost ------------------------------------------------------------------------------------

void ControlHost::Remove(Control& control) {
  std::erase(controls_, &control);
  if (captured_ == &control) captured_ = nullptr;
  if (hovered_ == &control) hovered_ = nullptr;
}

void ControlHost::InvalidateControl(const Control& control, bool now) {
  const HWND window = HostWindow();
  if (!window) return;
  InvalidateRect(window, &control.bounds(), FALSE);
  if (now) UpdateWindow(window);
}

void ControlHost::PaintControls(HDC dc) const {
  for (const Control* control : controls_) {
    if (control->visible()) control->Paint(dc);
  }
}

Control* ControlHost::ControlAt(POINT point) const {
  // The control painted last is on top.
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if ((*it)->visible() && Inside((*it)->bounds(), point)) return *it;
  }
  return nullptr;
}

HCURSOR ControlHost::CursorAt(POINT point) const {
  const Control* control = ControlAt(point);
  return control ? control->cursor() : nullptr;
}

bool ControlHost::RouteMouse(UINT message, WPARAM, LPARAM lparam) {
  const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  auto button_of = [](UINT m) {
    switch (m) {
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK:
      case WM_RBUTTONUP:
        return skin::MouseButton::kRight;
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK:
      case WM_MBUTTONUP:
        return skin::MouseButton::kMiddle;
      default:
        return skin::MouseButton::kLeft;
    }
  };
  switch (message) {
    case WM_MOUSEMOVE: {
      Control* target = captured_ ? captured_ : ControlAt(point);
      if (hovered_ && hovered_ != target) hovered_->MouseLeave();
      hovered_ = target;
      if (!tracking_leave_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, HostWindow(), 0};
        tracking_leave_ = TrackMouseEvent(&track) != FALSE;
      }
      if (target) target->MouseMove(Local(*target, point));
      return target != nullptr;
    }
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      if (hovered_ && !captured_) {
        hovered_->MouseLeave();
        hovered_ = nullptr;
      }
      return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      Control* target = ControlAt(point);
      if (!target) return false;
      captured_ = target;
      SetCapture(HostWindow());
      const bool second = message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
                          message == WM_MBUTTONDBLCLK;
      target->MouseDown(button_of(message), Local(*target, point), second);
      return true;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      Control* target = captured_;
      if (!target) return false;
      captured_ = nullptr;
      ReleaseCapture();
      const bool inside = Inside(target->bounds(), point);
      // The handler may hide or close the window; the control may be gone afterwards.
      target->MouseUp(button_of(message), Local(*target, point), inside);
      return true;
    }
    case WM_CAPTURECHANGED:
      captured_ = nullptr;
      return false;
    default:
      return false;
  }
}

// Control ----------------------------------------------------------------------------------------

Control::Control(ControlHost& host, int left, int top, int width, int height)
    : host_(host), bounds_{left, top, left + width, top + height} {
  host_.Add(*this);
}

Control::~Control() { host_.Remove(*this); }

void Control::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  bounds_ = {left, top, left + width, top + height};
  Invalidate();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Invalidate();
}

// Label ------------------------------------------------------------------------------------------

Label::Label(ControlHost& host, int left, int top, std::string_view text, COLORREF background)
    : Control(host, left, top, 0, 0), caption_(text), background_(background) {
  FitToText();
}

void Label::SetCaption(std::string_view cp1251) {
  // Beyond this nothing fits on any screen, and measuring megabytes of text from a hostile server
  // would freeze the window.
  caption_ = cp1251.substr(0, kMaxCaptionBytes);
  FitToText();
}

void Label::SetTextStyle(COLORREF colour, int height) {
  text_colour_ = colour;
  font_ = CreateUiFont("MS Sans Serif", height, false);
  FitToText();
}

void Label::SetWrapWidth(int width) {
  wrap_width_ = width;
  FitToText();
}

HFONT Label::Font() const { return font_ ? font_.get() : DefaultFont(); }

UINT Label::Format() const { return DT_NOPREFIX | DT_EXPANDTABS | (wrap_width_ > 0 ? DT_WORDBREAK : 0); }

void Label::FitToText() {
  ScreenDc screen;
  SelectedObject font(screen.get(), Font());
  RECT size{0, 0, wrap_width_, 0};
  const std::wstring text = Widen(caption_);
  DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &size, DT_CALCRECT | Format());
  SetBounds(bounds().left, bounds().top, size.right, size.bottom);
}

void Label::Paint(HDC dc) const {
  RECT area = bounds();
  const UniqueBrush brush(CreateSolidBrush(background_));
  FillRect(dc, &area, brush.get());
  SelectedObject font(dc, Font());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text_colour_);
  const std::wstring text = Widen(caption_);
  // Wine may draw a few pixels wider than it measured (its substitute for MS Sans Serif): the
  // last letter must not be cut at the measured edge.
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, Format() | DT_NOCLIP);
}

// Image ------------------------------------------------------------------------------------------

Image::Image(ControlHost& host, int left, int top, Bitmap picture)
    : Control(host, left, top, picture.width(), picture.height()), picture_(std::move(picture)) {}

void Image::SetPicture(Bitmap picture) {
  picture_ = std::move(picture);
  SetBounds(bounds().left, bounds().top, picture_.width(), picture_.height());
}

void Image::Paint(HDC dc) const { picture_.Draw(dc, bounds().left, bounds().top); }

void Image::MouseDown(skin::MouseButton button, POINT, bool second_of_double_click) {
  armed_ = button == skin::MouseButton::kLeft && !second_of_double_click;
}

void Image::MouseUp(skin::MouseButton button, POINT, bool inside) {
  const bool clicked = armed_ && button == skin::MouseButton::kLeft && inside;
  armed_ = false;
  if (clicked && on_click) on_click();
}

// BitmapButton -----------------------------------------------------------------------------------

BitmapButton::BitmapButton(ControlHost& host, int left, int top, Bitmap picture)
    : BitmapButton(host, left, top, Bitmap(picture.picture()),
                   Bitmap(skin::DeriveHoverLook(picture.picture())),
                   Bitmap(skin::DerivePressedLook(picture.picture())), POINT{1, 1}) {}

BitmapButton::BitmapButton(ControlHost& host, int left, int top, Bitmap normal, Bitmap hover,
                           Bitmap pressed, POINT pressed_offset)
    : Control(host, left, top, normal.width(), normal.height()),
      normal_(std::move(normal)),
      hover_(std::move(hover)),
      pressed_(std::move(pressed)),
      pressed_offset_(pressed_offset),
      state_(&normal_.picture()) {}

void BitmapButton::Paint(HDC dc) const {
  const skin::Rgb transparent = normal_.picture().CornerColour();
  const int left = bounds().left;
  const int top = bounds().top;
  switch (state_.CurrentLook()) {
    case skin::Look::kPressed:
      pressed_.DrawTransparent(dc, left + pressed_offset_.x, top + pressed_offset_.y, transparent);
      break;
    case skin::Look::kHover:
      hover_.DrawTransparent(dc, left, top, transparent);
      break;
    case skin::Look::kNormal:
      normal_.DrawTransparent(dc, left, top, transparent);
      break;
  }
}

void BitmapButton::MouseDown(skin::MouseButton button, POINT at, bool second_of_double_click) {
  if (state_.Press(button, at.x, at.y, second_of_double_click)) Invalidate(true);
}

void BitmapButton::MouseUp(skin::MouseButton button, POINT, bool inside) {
  const skin::ButtonState::Release release = state_.ReleaseAt(button, inside);
  if (release.repaint) Invalidate(true);
  // The first notification may close the window that owns this button: stop if it did.
  const HWND host = host_.HostWindow();
  for (int i = 0; i < release.notifications && on_click && IsWindow(host); ++i) on_click();
}

void BitmapButton::MouseMove(POINT at) {
  if (state_.Move(at.x, at.y)) Invalidate(true);
}

void BitmapButton::MouseLeave() {
  if (state_.Leave()) Invalidate(true);
}

// CaptionButton ----------------------------------------------------------------------------------

CaptionButton::CaptionButton(ControlHost& host, int left, int top, const std::wstring& resource_name)
    : BitmapButton(host, left, top, Bitmap::FromResource(resource_name.c_str()),
                   Bitmap::FromResource((resource_name + L"_OVER").c_str()),
                   Bitmap::FromResource((resource_name + L"_DOWN").c_str()), POINT{0, 0}) {}

// Switch -----------------------------------------------------------------------------------------

Switch::Switch(Window& parent, int left, int top, Bitmap off, Bitmap on, COLORREF colour)
    : off_(std::move(off)), on_picture_(std::move(on)), colour_(colour) {
  Spec spec = ChildSpec(parent, left, top, off_.width(), off_.height());
  spec.class_name = L"OzlSwitch";
  spec.style |= WS_TABSTOP;
  Create(spec);
}

void Switch::Turn() {
  on_ = !on_;
  InvalidateRect(hwnd(), nullptr, FALSE);
  UpdateWindow(hwnd());
  const std::function<void()>& handler = on_ ? on_on : on_off;
  if (handler) handler();
}

void Switch::Paint(HDC dc) const {
  RECT area{};
  GetClientRect(hwnd(), &area);
  const UniqueBrush brush(CreateSolidBrush(colour_));
  FillRect(dc, &area, brush.get());
  (on_ ? on_picture_ : off_).Draw(dc, 0, 0);
  if (GetFocus() == hwnd()) DrawFocusRect(dc, &area);
}

LRESULT Switch::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(hwnd(), &paint);
      Paint(dc);
      EndPaint(hwnd(), &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      Turn();
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_SPACE) {
        Turn();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd(), nullptr, FALSE);
      break;
    case WM_SETCURSOR:
      if (cursor_) {
        ::SetCursor(cursor_);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

// RoundedShape -----------------------------------------------------------------------------------

RoundedShape::RoundedShape(ControlHost& host, int left, int top, int width, int height,
                           COLORREF colour)
    : Control(host, left, top, width, height), colour_(colour) {}

void RoundedShape::Paint(HDC dc) const {
  const UniqueBrush brush(CreateSolidBrush(colour_));
  SelectedObject selected_brush(dc, brush.get());
  SelectedObject pen(dc, GetStockObject(BLACK_PEN));
  const RECT& area = bounds();
  const int corner = std::min(Width(), Height()) / 4;
  RoundRect(dc, area.left, area.top, area.right, area.bottom, corner, corner);
}

}  // namespace ozl::platform
