// The registration window: a new user's details and password, sent to the server for an id.
#pragma once

#include <array>

#include "directory/placeholders.h"
#include "platform/buttons.h"
#include "platform/edits.h"
#include "platform/form.h"
#include "logic/dispatcher.h"
#include "logic/ports.h"
#include "platform/skinned_form.h"
#include "text/cp1251.h"

namespace ozl {

class TRegistryForm : public skin::SkinnedForm, public logic::RegistrationWindow {
 public:
  // Cancelling shows `login` again.
  TRegistryForm(logic::Outbox& outbox, logic::Notices& notices, logic::LoginWindow& login);

  // logic::RegistrationWindow
  void Hide() override { SkinnedForm::Hide(); }
  std::string ChatNickText() override { return CEchatnick.Text(); }
  std::string PasswordText() override { return CEpassword.Text(); }

  // Controls in their tab order; each field shows its caption as its text.
  platform::Label Label1{*this, 12, 32, "Регистрация"_cp1251, 12311532};
  platform::ColorEdit CEnick{hwnd(), 16, 56, 153, 21, {.max_length = 18}};
  platform::ColorEdit CEname{hwnd(), 16, 80, 153, 21, {.max_length = 18}};
  platform::ColorEdit CElastname{hwnd(), 16, 104, 153, 21, {.max_length = 24}};
  platform::ColorEdit CEsecondname{hwnd(), 16, 128, 153, 21, {.max_length = 24}};
  platform::ColorEdit CEemail{hwnd(), 16, 152, 153, 21, {.max_length = 24}};
  platform::ColorEdit CEcity{hwnd(), 16, 176, 153, 21, {.max_length = 18}};
  platform::ColorEdit CEchatnick{hwnd(), 16, 248, 153, 21, {.max_length = 18}};
  platform::ColorEdit CEinfo{hwnd(), 16, 272, 153, 21, {.max_length = 80}};
  platform::GroupBox GroupBox1{*this, 16, 200, 153, 41, "Пол"_cp1251, 13430781};
  platform::RadioButton RadioButton1{GroupBox1.hwnd(), 8, 16, 73, 17, "мужской"_cp1251, 13430781, true};
  platform::RadioButton RadioButton2{GroupBox1.hwnd(), 80, 16, 65, 17, "женский"_cp1251, 13430781, false};
  platform::ColorEdit CEpassword{hwnd(), 16, 296, 153, 21, {.max_length = 12}};
  platform::ColorEdit CEretry{hwnd(), 16, 320, 153, 21, {.max_length = 12}};
  platform::Panel Pregistry{*this, 16, 344, 153, 20, 13430781};
  platform::BitmapButton Brefresh{Pregistry, 0, 0,
                                  platform::Bitmap::FromResource(L"BUTTON_REGISTRY_BREFRESH")};
  platform::BitmapButton Bregistry{Pregistry, 40, 0,
                                   platform::Bitmap::FromResource(L"BUTTON_REGISTRY_BREGISTRY")};
  platform::BitmapButton Bcancel{Pregistry, 80, 0,
                                 platform::Bitmap::FromResource(L"BUTTON_REGISTRY_BCANCEL")};
  platform::Panel Psystemmenu{*this, 138, 6, 36, 13, 14284027};
  platform::CaptionButton VBclose{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  void Brefreshclick();
  void Bregistryclick();
  void Bcancelclick();
  void CEpasswordKeyPress();
  void CEretryKeyPress();
  void CEnickKeyDown(WPARAM key);

 private:
  // The ten fields in the order the reset fills them.
  std::array<platform::ColorEdit*, 10> Fields();
  static std::array<std::string, 10> Texts(const directory::RegistrationTexts& texts);
  void ShowTexts(const directory::RegistrationTexts& texts);
  // The first character typed into a field that still shows one of its captions replaces it.
  static void ReplaceCaption(platform::ColorEdit& field, std::array<std::string_view, 2> captions,
                             wchar_t character);

  logic::Outbox& outbox_;
  logic::Notices& notices_;
  logic::LoginWindow& login_;
};

}  // namespace ozl
