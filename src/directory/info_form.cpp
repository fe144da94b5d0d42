#include "directory/info_form.h"

namespace ozl {

TInfoForm::TInfoForm()
    : SkinnedForm({.client_width = 249,
                   .client_height = 71,
                   .background = GetSysColor(COLOR_BTNFACE),
                   .stay_on_top = true,
                   .show_in_taskbar = false,
                   .skin = L"SKIN_INFO"},
                  {.class_name = "TInfoForm", .transparent = 11355979}) {
  VBinfo.SetVisible(false);
  // A notice longer than the window is wide goes on in a second line instead of being cut.
  Linfo.SetWrapWidth(ClientWidth() - Linfo.bounds().left - kRightMargin);
  VantalButton1.on_click = [this] { VantalButton1click(); };
}

void TInfoForm::FormShow() { VBinfo.SetVisible(ShowIcon == 1); }

void TInfoForm::VantalButton1click() {
  Hide();
  Linfo.SetTop(kLabelTop);
}

}  // namespace ozl
