// The help window: the user guide, shown once, at the first start in a folder, before the login
// window, when it also leaves the guide in "readme.txt".
#pragma once

#include "platform/buttons.h"
#include "platform/edits.h"
#include "platform/form.h"
#include "text/cp1251.h"

namespace ozl {

class TAboutForm : public platform::Form {
 public:
  TAboutForm();

  // Without "readme.txt": writes the guide to it and shows the window until the user closes it.
  // A file that cannot be written is reported and the window is not shown.
  void FirstStartCheck();

  platform::Memo Memo1{hwnd(), 0, 0, 433, 275, 0xFFFFFF, true};
  platform::Panel Panel1{*this, 0, 275, 433, 41, GetSysColor(COLOR_BTNFACE)};
  platform::PushButton Button1{Panel1.hwnd(), 160, 8, 97, 25, "ОК"_cp1251};

  void Button1Click() { Close(); }

 protected:
  // Enter closes the window, as in any message box.
  void FormShow() override { Button1.Focus(); }
};

}  // namespace ozl
