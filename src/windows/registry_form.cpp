#include "windows/registry_form.h"

#include "directory/placeholders.h"
#include "logic/addresses.h"
#include "platform/effects.h"
#include "protocol/commands.h"
#include "protocol/session_id.h"

namespace ozl {

TRegistryForm::TRegistryForm(logic::Outbox& outbox, logic::Notices& notices, logic::LoginWindow& login)
    : SkinnedForm({.client_width = 184,
                   .client_height = 379,
                   .skin = L"SKIN_REGISTRY",
                   .title = std::string("Регистрация"_cp1251)},
                  {.class_name = "TRegistryForm"}),
      outbox_(outbox),
      notices_(notices),
      login_(login) {
  const directory::RegistrationTexts initial = directory::InitialRegistrationTexts(kWebChatHost);
  ShowTexts(initial.fields, initial.password_repeat);
  RadioButton1.SetChecked(true);
  Brefresh.on_click = [this] { Brefreshclick(); };
  Bregistry.on_click = [this] { Bregistryclick(); };
  Bcancel.on_click = [this] { Bcancelclick(); };
  VBclose.on_click = [this] { Bcancelclick(); };
  CEpassword.on_key_press = [this](wchar_t) { CEpasswordKeyPress(); };
  CEretry.on_key_press = [this](wchar_t) { CEretryKeyPress(); };
  for (platform::ColorEdit* field : Fields()) {
    field->on_key_down = [this](WPARAM key) { CEnickKeyDown(key); };
  }
}

std::array<platform::ColorEdit*, 10> TRegistryForm::Fields() {
  return {&CEnick, &CEname,     &CElastname, &CEsecondname, &CEemail,
          &CEcity, &CEchatnick, &CEinfo,     &CEpassword,   &CEretry};
}

void TRegistryForm::ShowTexts(const protocol::Registration& f, const std::string& password_repeat) {
  const std::array<const std::string*, 10> texts = {
      &f.nick, &f.first_name, &f.surname, &f.patronymic, &f.email,
      &f.city, &f.chat_nick,  &f.about,   &f.password,   &password_repeat};
  const std::array<platform::ColorEdit*, 10> fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetText(*texts[i]);
}

void TRegistryForm::Brefreshclick() {
  CEretry.SetPasswordChar(0);
  CEpassword.SetPasswordChar(0);
  const directory::RegistrationTexts reset = directory::ResetRegistrationTexts(kWebChatHost);
  ShowTexts(reset.fields, reset.password_repeat);
}

void TRegistryForm::Bregistryclick() {
  if (!Bregistry.ClickLatch.Flip()) return;
  outbox_.SetSessionId(
      protocol::RandomSessionId(protocol::kLoginSessionBound, platform::SecureRandomWord));
  notices_.PlaySound("play sound/Beep.wav");
  protocol::Registration registration;
  registration.nick = CEnick.Text();
  registration.first_name = CEname.Text();
  registration.surname = CElastname.Text();
  registration.patronymic = CEsecondname.Text();
  registration.email = CEemail.Text();
  registration.city = CEcity.Text();
  registration.password = CEpassword.Text();
  registration.sex = RadioButton1.Checked() ? protocol::Sex::kMale : protocol::Sex::kFemale;
  registration.about = CEinfo.Text();
  registration.chat_nick = CEchatnick.Text();
  if (const auto refusal = protocol::RegistrationRefusal(registration, CEretry.Text())) {
    notices_.ViewInfo(*refusal);
    return;
  }
  outbox_.SendDirect(protocol::RegistrationCommand(registration));
}

void TRegistryForm::Bcancelclick() {
  login_.Show();
  Hide();
}

void TRegistryForm::CEpasswordKeyPress() { CEpassword.SetPasswordChar(L'*'); }

void TRegistryForm::CEretryKeyPress() { CEretry.SetPasswordChar(L'*'); }

void TRegistryForm::CEnickKeyDown(WPARAM key) {
  if (key != VK_RETURN) return;
  // The handler expects the two notifications of a button click: two calls make one registration.
  Bregistryclick();
  Bregistryclick();
}

}  // namespace ozl
