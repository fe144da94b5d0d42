// Another user's directory entry, shown when the server answers a request for it.
#pragma once

#include "platform/edits.h"
#include "platform/form.h"
#include "platform/skinned_form.h"
#include "logic/dispatcher.h"
#include "text/cp1251.h"

namespace ozl {

class TUserInfoForm : public skin::SkinnedForm, public logic::UserInfoWindow {
 public:
  TUserInfoForm();

  // Captions, then the light panel and the values painted on it.
  platform::Label Label17{*this, 16, 32, "Информация о пользователе"_cp1251, 12311532};
  platform::Label Label1{*this, 16, 56, "Ник"_cp1251, 13430781};
  platform::Label Label2{*this, 16, 72, "Имя"_cp1251, 13430781};
  platform::Label Label3{*this, 16, 88, "Фамилия"_cp1251, 13430781};
  platform::Label Label4{*this, 16, 104, "Отчество"_cp1251, 13430781};
  platform::Label Label5{*this, 16, 120, "Город"_cp1251, 13430781};
  platform::Label Label6{*this, 16, 136, "Ник в чате"_cp1251, 13430781};
  platform::Label Label7{*this, 16, 152, "Пол"_cp1251, 13430781};
  platform::Label Label8{*this, 16, 176, "Доп. инфо"_cp1251, 13430781};
  platform::Label Label9{*this, 16, 198, "Статус"_cp1251, 13430781};
  platform::RoundedShape Shape1{*this, 80, 52, 177, 164, 15858429};
  platform::Label Label10{*this, 96, 56, "", 15858429};
  platform::Label Label11{*this, 96, 72, "", 15858429};
  platform::Label Label12{*this, 96, 88, "", 15858429};
  platform::Label Label13{*this, 96, 104, "", 15858429};
  platform::Label Label14{*this, 96, 120, "", 15858429};
  platform::Label Label15{*this, 96, 136, "", 15858429};
  platform::Label Label16{*this, 96, 152, "", 15858429};
  // One pixel lower than 32, so that it does not cover the top of the status below it.
  platform::Memo Memo1{hwnd(), 96, 167, 145, 31, 15858429, true};
  platform::Label Label18{*this, 96, 198, "", 15858429};
  platform::Panel Psystemmenu{*this, 227, 5, 36, 13, 14284027};
  platform::CaptionButton VantalButton1{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  void ShowUserInfo(const protocol::UserInfo& info) override;

 protected:
  void FormActivate() override;
};

}  // namespace ozl
