#include "windows/skin_form.h"

#include "settings/colour_tool.h"

namespace ozl {

// The outer size is 333 x 481 with the system's sizing frame and title bar.
TSkinForm::TSkinForm(const platform::Bitmap& skin)
    : Form({.client_width = 325,
            .client_height = 447,
            .background = GetSysColor(COLOR_BTNFACE),
            .title = "SkinForm",
            .frame = platform::Form::Frame::kSizeable,
            .position = POINT{619, 90}}),
      skin_(skin) {
  Label1.SetTextStyle(RGB(255, 0, 0), -19);
  Label2.SetTextStyle(RGB(0, 255, 0), -19);
  Label3.SetTextStyle(RGB(0, 0, 255), -19);
  Label4.SetTextStyle(RGB(255, 255, 255), -19);
  Button1.on_click = [this] { Button1Click(); };
  for (platform::Slider* slider : {&RxSlider1, &RxSlider2, &RxSlider3, &RxSlider4}) {
    slider->on_change = [this] { Button1Click(); };
  }
}

void TSkinForm::Button1Click() {
  Image1.SetPicture(platform::Bitmap(settings::LightenedCopy(skin_.picture(), RxSlider4.Value())));
}

}  // namespace ozl
