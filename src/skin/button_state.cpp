#include "skin/button_state.h"

#include <optional>

namespace ozl::skin {

bool ButtonState::IsBody(int x, int y) const {
  return normal_ && normal_->Contains(x, y) && normal_->At(x, y) != normal_->CornerColour();
}

bool ButtonState::Press(MouseButton button, int x, int y, bool second_of_double_click) {
  click_armed_ = button == MouseButton::kLeft && !second_of_double_click;
  pressed_ = IsBody(x, y);
  return true;
}

ButtonState::Release ButtonState::ReleaseAt(MouseButton button, bool inside) {
  int notifications = 0;
  if (button == MouseButton::kLeft && click_armed_ && inside) notifications = pressed_ ? 2 : 1;
  if (button == MouseButton::kLeft) click_armed_ = false;
  pressed_ = false;
  down_ = latching_ && !down_;
  return {notifications, true};
}

bool ButtonState::Move(int x, int y) {
  const bool over = IsBody(x, y);
  const bool changed = over != mouse_over_;
  mouse_over_ = over;
  return changed;
}

bool ButtonState::Leave() {
  mouse_over_ = false;
  return true;
}

void ButtonState::SetLatching(bool latching) {
  latching_ = latching;
  if (!latching_) down_ = false;
}

Look ButtonState::CurrentLook() const {
  if (pressed_ || down_) return Look::kPressed;
  if (mouse_over_ && hot_track_) return Look::kHover;
  return Look::kNormal;
}

namespace {

// Every pixel but those equal to `keep` (when there is one) goes through `map`, channel by channel.
template <typename ChannelMap>
Picture MapPixels(const Picture& source, std::optional<Rgb> keep, ChannelMap map) {
  Picture out(source.width(), source.height());
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      const Rgb pixel = source.At(x, y);
      out.Set(x, y, pixel == keep ? pixel : Rgb{map(pixel.red), map(pixel.green), map(pixel.blue)});
    }
  }
  return out;
}

}  // namespace

Picture DeriveHoverLook(const Picture& normal) {
  return MapPixels(normal, normal.CornerColour(), [](std::uint8_t c) {
    // 255 - 0.8 * (255 - c), to the nearest integer; a fifth never leaves a half.
    const int distance = 4 * (255 - c);
    return static_cast<std::uint8_t>(255 - (distance + 2) / 5);
  });
}

Picture DerivePressedLook(const Picture& normal) {
  // A picture too small to have a pixel at (3, 3) has no reference: every pixel darkens.
  const std::optional<Rgb> reference =
      normal.Contains(3, 3) ? std::optional<Rgb>(normal.At(3, 3)) : std::nullopt;
  return MapPixels(normal, reference, [](std::uint8_t c) {
    // 70 % to the nearest integer, halves rounded down.
    return static_cast<std::uint8_t>((7 * c + 4) / 10);
  });
}

}  // namespace ozl::skin
