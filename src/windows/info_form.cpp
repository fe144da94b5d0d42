#include "windows/info_form.h"

#include <algorithm>

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

void TInfoForm::ShowNotice(const std::string& text) {
  Linfo.SetCaption(text);
  // The title names the notice for the window list and for assistive tools.
  std::string title = text.substr(0, 256);
  std::replace(title.begin(), title.end(), '\r', ' ');
  std::replace(title.begin(), title.end(), '\n', ' ');
  SetText(title);
  BringToTop();
  Show();
}

void TInfoForm::ShowAuthorship(const std::string& text) {
  ShowIcon = 1;
  Linfo.SetTop(kAuthorshipLabelTop);
  ShowNotice(text);
  ShowIcon = 0;
}

void TInfoForm::FormShow() { VBinfo.SetVisible(ShowIcon == 1); }

void TInfoForm::VantalButton1click() {
  Hide();
  Linfo.SetTop(kLabelTop);
}

}  // namespace ozl
