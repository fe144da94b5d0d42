#include <gtest/gtest.h>

#include "skin/button_state.h"
#include "skin/color_edit_state.h"

namespace ozl::skin {
namespace {

constexpr Rgb kCorner{253, 239, 204};
constexpr Rgb kFace{200, 180, 140};

// A 20 x 10 button: corner-coloured 2-pixel margins round a face.
Picture ButtonPicture() {
  Picture picture(20, 10, kCorner);
  for (int y = 2; y < 8; ++y)
    for (int x = 2; x < 18; ++x) picture.Set(x, y, kFace);
  return picture;
}

class ButtonClicks : public testing::Test {
 protected:
  Picture picture = ButtonPicture();
  ButtonState button{&picture};

  int Click(int x, int y, MouseButton which = MouseButton::kLeft, bool inside = true) {
    button.Press(which, x, y, false);
    return button.ReleaseAt(which, inside).notifications;
  }
};

TEST_F(ButtonClicks, NotificationsPerClick) {
  EXPECT_EQ(Click(10, 5), 2);  // body
  EXPECT_EQ(Click(0, 0), 1);   // corner colour
  EXPECT_EQ(Click(10, 5, MouseButton::kLeft, false), 0);
  EXPECT_EQ(Click(10, 5, MouseButton::kRight), 0);
  EXPECT_EQ(Click(10, 5, MouseButton::kMiddle), 0);

  // A double-click: the first press clicks, the second press of the pair does not.
  EXPECT_EQ(Click(10, 5), 2);
  button.Press(MouseButton::kLeft, 10, 5, true);
  EXPECT_EQ(button.ReleaseAt(MouseButton::kLeft, true).notifications, 0);
}

TEST_F(ButtonClicks, ALatchedHandlerActsOncePerBodyClick) {
  ClickLatch latch;
  int acted = 0;
  auto handler = [&] {
    if (latch.Flip()) ++acted;
  };
  auto click = [&](int x, int y) {
    for (int i = Click(x, y); i > 0; --i) handler();
  };

  click(10, 5);
  EXPECT_EQ(acted, 1);
  EXPECT_FALSE(latch.value());

  // One notification from a corner pixel acts and leaves the latch set...
  click(0, 9);
  EXPECT_EQ(acted, 2);
  EXPECT_TRUE(latch.value());
  // ...so the next body click acts on its second notification, once.
  click(10, 5);
  EXPECT_EQ(acted, 3);
  EXPECT_TRUE(latch.value());

  // A key press that stands for a click calls the handler twice: one action.
  handler();
  handler();
  EXPECT_EQ(acted, 4);
}

TEST(ClickLatchState, HandlersActingOnTheSetState) {
  ClickLatch latch;
  EXPECT_FALSE(latch.Flip(true));
  EXPECT_TRUE(latch.Flip(true));
  EXPECT_FALSE(latch.value());
}

TEST_F(ButtonClicks, LooksFollowThePressAndTheMouse) {
  EXPECT_EQ(button.CurrentLook(), Look::kNormal);

  // The right button shows the pressed look until release and clicks nothing.
  button.Press(MouseButton::kRight, 10, 5, false);
  EXPECT_EQ(button.CurrentLook(), Look::kPressed);
  EXPECT_EQ(button.ReleaseAt(MouseButton::kRight, true).notifications, 0);
  EXPECT_EQ(button.CurrentLook(), Look::kNormal);

  // Released outside after a body press: no click, pressed look cleared.
  button.Press(MouseButton::kLeft, 10, 5, false);
  EXPECT_EQ(button.ReleaseAt(MouseButton::kLeft, false).notifications, 0);
  EXPECT_EQ(button.CurrentLook(), Look::kNormal);

  // A press on a corner pixel is not shown pressed.
  button.Press(MouseButton::kLeft, 0, 0, false);
  EXPECT_EQ(button.CurrentLook(), Look::kNormal);
  button.ReleaseAt(MouseButton::kLeft, true);

  // Hover only over body pixels, and only with hot tracking.
  EXPECT_FALSE(button.Move(1, 1));
  EXPECT_TRUE(button.Move(5, 5));
  EXPECT_EQ(button.CurrentLook(), Look::kHover);
  EXPECT_FALSE(button.Move(6, 5));
  button.SetHotTrack(false);
  EXPECT_EQ(button.CurrentLook(), Look::kNormal);
  button.SetHotTrack(true);
  EXPECT_TRUE(button.Leave());
  EXPECT_EQ(button.CurrentLook(), Look::kNormal);
}

TEST_F(ButtonClicks, LatchingTogglesDownOnEveryRelease) {
  button.SetDown(true);
  EXPECT_FALSE(button.down());  // not latching: stays up

  button.SetLatching(true);
  Click(10, 5);
  EXPECT_TRUE(button.down());
  EXPECT_EQ(button.CurrentLook(), Look::kPressed);
  Click(0, 0, MouseButton::kRight);
  EXPECT_FALSE(button.down());
  button.SetDown(true);
  button.SetLatching(false);
  EXPECT_FALSE(button.down());
}

TEST(DerivedLooks, HoverLightensAllButTheCornerColour) {
  Picture normal(4, 4, Rgb{10, 20, 30});
  normal.Set(1, 1, Rgb{0, 100, 255});
  const Picture hover = DeriveHoverLook(normal);
  EXPECT_EQ(hover.At(1, 1), (Rgb{51, 131, 255}));
  EXPECT_EQ(hover.At(0, 3), (Rgb{10, 20, 30}));  // the corner colour is copied
}

TEST(DerivedLooks, PressedDarkensAllButTheReferencePixel) {
  Picture normal(5, 5, Rgb{5, 255, 100});  // the corner colour darkens too
  normal.Set(3, 3, Rgb{1, 2, 3});
  normal.Set(0, 0, Rgb{1, 2, 3});
  const Picture pressed = DerivePressedLook(normal);
  EXPECT_EQ(pressed.At(0, 4), (Rgb{3, 178, 70}));
  EXPECT_EQ(pressed.At(3, 3), (Rgb{1, 2, 3}));
  EXPECT_EQ(pressed.At(0, 0), (Rgb{1, 2, 3}));

  const Picture tiny = DerivePressedLook(Picture(2, 2, Rgb{10, 10, 10}));
  EXPECT_EQ(tiny.At(1, 1), (Rgb{7, 7, 7}));
}

TEST(ColorEdit, FocusSwapsColoursAndGivesBackExactlyWhatItHad) {
  ColorEditState edit;
  edit.background = 15858429;
  edit.font.colour = 0x123456;
  edit.current_color = 14739964;
  edit.current_font = 0;

  edit.Enter();
  EXPECT_EQ(edit.background, 14739964u);
  EXPECT_EQ(edit.font.colour, 0u);
  edit.font.bold = true;
  edit.font.face = "Arial";
  edit.current_color = 1;  // shows at the next entry only
  EXPECT_EQ(edit.background, 14739964u);

  edit.Exit();
  EXPECT_EQ(edit.background, 15858429u);
  EXPECT_EQ(edit.font, (FontSpec{"MS Sans Serif", -11, false, 0x123456}));
  edit.Enter();
  EXPECT_EQ(edit.background, 1u);
}

}  // namespace
}  // namespace ozl::skin
