// The colours of an edit field that looks different while it has the focus: on entry it keeps
// its background and font and takes the focus colours; on exit it gets back exactly what it kept,
// whatever was changed in between.
#pragma once

#include <cstdint>
#include <string>

namespace ozl::skin {

struct FontSpec {
  std::string face = "MS Sans Serif";
  int height = -11;  // in logical units; negative means character height
  bool bold = false;
  std::uint32_t colour = 0;  // red in the low byte

  bool operator==(const FontSpec&) const = default;
};

class ColorEditState {
 public:
  // The field's colour (15858429 in the windows that use it) and the focus colours.
  static constexpr std::uint32_t kDefaultFocusColour = 16711680;  // blue
  static constexpr std::uint32_t kDefaultFocusFont = 16777215;    // white

  std::uint32_t background = 0xFFFFFF;
  FontSpec font;
  std::uint32_t current_color = kDefaultFocusColour;  // background while focused
  std::uint32_t current_font = kDefaultFocusFont;     // text colour while focused

  void Enter() {
    saved_color_ = background;
    saved_font_ = font;
    background = current_color;
    font.colour = current_font;
  }
  void Exit() {
    background = saved_color_;
    font = saved_font_;
  }

 private:
  std::uint32_t saved_color_ = 0;
  FontSpec saved_font_;
};

}  // namespace ozl::skin
