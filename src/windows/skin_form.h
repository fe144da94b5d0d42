// The colour tool: a lightened preview of the login window's skin. Nothing opens it; it is
// made hidden and stays so.
#pragma once

#include "platform/buttons.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace ozl {

class TSkinForm : public platform::Form {
 public:
  // `skin`, the login window's skin, must outlive the window.
  explicit TSkinForm(const platform::Bitmap& skin);

  platform::Label Label1{*this, 8, 8, "R", GetSysColor(COLOR_BTNFACE)};
  platform::Slider RxSlider1{hwnd(), 24, 0, 300, 40, 0, 255, 127};
  platform::Label Label2{*this, 8, 40, "G", GetSysColor(COLOR_BTNFACE)};
  platform::Slider RxSlider2{hwnd(), 24, 32, 300, 40, 0, 255, 127};
  platform::Label Label3{*this, 8, 72, "B", GetSysColor(COLOR_BTNFACE)};
  platform::Slider RxSlider3{hwnd(), 24, 64, 300, 40, 0, 255, 127};
  platform::Label Label4{*this, 8, 104, "C", GetSysColor(COLOR_BTNFACE)};
  platform::Slider RxSlider4{hwnd(), 24, 96, 300, 40, 0, 255, 127};
  platform::PushButton Button1{hwnd(), 0, 144, 321, 25, "Execute"};
  platform::Image Image1{*this, -8, 176, {}};
  platform::Image Image2{*this, 176, 176, {}};

  // Recomputes the preview from the skin and the slider "C"; R, G and B take no part.
  void Button1Click();

 private:
  const platform::Bitmap& skin_;
};

}  // namespace ozl
