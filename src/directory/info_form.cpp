#include "directory/info_form.h"

namespace ozl {
namespace {

platform::Form::Options InfoOptions() {
  platform::Form::Options options;
  options.client_width = 249;
  options.client_height = 71;
  options.background = GetSysColor(COLOR_BTNFACE);
  options.stay_on_top = true;
  options.show_in_taskbar = false;
  options.skin = L"SKIN_INFO";
  return options;
}

}  // namespace

TInfoForm::TInfoForm() : SkinnedForm(InfoOptions(), {.class_name = "TInfoForm", .transparent = 11355979}) {
  VBinfo.SetVisible(false);
  VantalButton1.on_click = [this] { VantalButton1click(); };
}

void TInfoForm::FormShow() { VBinfo.SetVisible(ShowIcon == 1); }

void TInfoForm::VantalButton1click() {
  Hide();
  Linfo.SetTop(kLabelTop);
}

}  // namespace ozl
