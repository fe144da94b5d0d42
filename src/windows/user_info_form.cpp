#include "windows/user_info_form.h"

namespace ozl {

TUserInfoForm::TUserInfoForm()
    : SkinnedForm({.client_width = 273,
                   .client_height = 233,
                   .background = GetSysColor(COLOR_BTNFACE),
                   .skin = L"SKIN_USERINFO"},
                  {.class_name = "TUserInfoForm"}) {
  VantalButton1.on_click = [this] { Hide(); };
}

void TUserInfoForm::ShowUserInfo(const protocol::UserInfo& info) {
  Label10.SetCaption(info.nick);
  Label11.SetCaption(info.first_name);
  Label12.SetCaption(info.surname);
  Label13.SetCaption(info.patronymic);
  Label14.SetCaption(info.city);
  Label15.SetCaption(info.chat_nick);
  Label16.SetCaption(info.sex);
  Memo1.Clear();
  Memo1.AppendLine(info.about);
  Memo1.ShowFromTop();
  Label18.SetCaption(info.status);
  Show();
}

void TUserInfoForm::FormActivate() { BringToTop(); }

}  // namespace ozl
