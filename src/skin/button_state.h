// The mouse behaviour of the skinned buttons, apart from any window: which look to show and how
// many click notifications a click delivers.
//
// A pixel of the normal picture in the corner colour (its bottom-left pixel) is not part of the
// button. A left press released inside the control is the standard click and notifies once; when
// the press was on the button's body it notifies a second time. The second press of a
// double-click, any other mouse button, and a release outside notify nothing. Window handlers act
// once per click by flipping a ClickLatch on every notification.
#pragma once

#include "skin/picture.h"

namespace ozl::skin {

enum class MouseButton { kLeft, kRight, kMiddle };
enum class Look { kNormal, kHover, kPressed };

class ButtonState {
 public:
  // The normal picture decides what is body and what is transparent; it must outlive the state.
  explicit ButtonState(const Picture* normal) : normal_(normal) {}

  // Each returns true when the look may have changed and the button should repaint.
  bool Press(MouseButton button, int x, int y, bool second_of_double_click);
  bool Move(int x, int y);
  bool Leave();
  struct Release {
    int notifications;
    bool repaint;
  };
  Release ReleaseAt(MouseButton button, bool inside);

  Look CurrentLook() const;

  bool latching() const { return latching_; }
  bool down() const { return down_; }
  bool hot_track() const { return hot_track_; }
  bool pressed() const { return pressed_; }
  bool mouse_over() const { return mouse_over_; }
  void SetLatching(bool latching);
  void SetDown(bool down) { down_ = latching_ && down; }
  void SetHotTrack(bool hot_track) { hot_track_ = hot_track; }

 private:
  bool IsBody(int x, int y) const;

  const Picture* normal_;
  bool pressed_ = false;
  bool mouse_over_ = false;
  bool latching_ = false;
  bool down_ = false;
  bool hot_track_ = true;
  bool click_armed_ = false;
};

// The per-button flag that window handlers flip on every notification. Flip() tells whether the
// handler acts now: when the latch was in the acting state (clear for most handlers) before it.
class ClickLatch {
 public:
  bool Flip(bool acting_state = false) {
    const bool acts = value_ == acting_state;
    value_ = !value_;
    return acts;
  }
  bool value() const { return value_; }

 private:
  bool value_ = false;
};

// The derived looks of the single-picture button: hover moves every non-corner pixel a fifth of
// the way to white; pressed darkens to 70 % every pixel that differs from the one at (3, 3),
// corner-coloured pixels included, so the pressed look also shows the darkened corners.
Picture DeriveHoverLook(const Picture& normal);
Picture DerivePressedLook(const Picture& normal);

}  // namespace ozl::skin
