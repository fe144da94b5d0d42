#include "windows/registry_form.h"

#include "directory/placeholders.h"
#include "logic/addresses.h"
#include "platform/effects.h"
#include "protocol/commands.h"
#include "protocol/session_id.h"

namespace ozl {
namespace {

constexpr wchar_t kPasteKey = 0x16;  // Ctrl+V

}  // namespace

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
  ShowTexts(initial);
  RadioButton1.SetChecked(true);
  Brefresh.on_click = [this] { Brefreshclick(); };
  Bregistry.on_click = [this] { Bregistryclick(); };
  Bcancel.on_click = [this] { Bcancelclick(); };
  VBclose.on_click = [this] { Bcancelclick(); };
  const directory::RegistrationTexts reset = directory::ResetRegistrationTexts(kWebChatHost);
  const std::array<std::string, 10> initial_texts = Texts(initial);
  const std::array<std::string, 10> reset_texts = Texts(reset);
  const std::array<platform::ColorEdit*, 10> fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    platform::ColorEdit& field = *fields[i];
    field.on_key_down = [this](WPARAM key) { CEnickKeyDown(key); };
    field.on_key_press = [this, &field, caption = initial_texts[i], reset_caption = reset_texts[i]](wchar_t c) {
      ReplaceCaption(field, {caption, reset_caption}, c);
      if (&field == &CEpassword) CEpasswordKeyPress();
      if (&field == &CEretry) CEretryKeyPress();
    };
  }
}

std::array<std::string, 10> TRegistryForm::Texts(const directory::RegistrationTexts& texts) {
  const protocol::Registration& f = texts.fields;
  return {f.nick, f.first_name, f.surname, f.patronymic, f.email,
          f.city, f.chat_nick,  f.about,   f.password,   texts.password_repeat};
}

void TRegistryForm::ReplaceCaption(platform::ColorEdit& field, std::array<std::string_view, 2> captions,
                                   wchar_t character) {
  // A user clicks into "Ник" and types his nick, as in any other program: the caption must not
  // stay in front of it (a password field, limited to 12 characters, would keep mostly caption).
  // Fields left untouched are still sent with their captions.
  const bool edits_text = character == L'\b' || character == kPasteKey || character >= L' ';
  if (!edits_text) return;
  const std::string text = field.Text();
  if (text == captions[0] || text == captions[1]) field.SetText("");
}

std::array<platform::ColorEdit*, 10> TRegistryForm::Fields() {
  return {&CEnick, &CEname,     &CElastname, &CEsecondname, &CEemail,
          &CEcity, &CEchatnick, &CEinfo,     &CEpassword,   &CEretry};
}

void TRegistryForm::ShowTexts(const directory::RegistrationTexts& texts) {
  const std::array<std::string, 10> shown = Texts(texts);
  const std::array<platform::ColorEdit*, 10> fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetText(shown[i]);
}

void TRegistryForm::Brefreshclick() {
  CEretry.SetPasswordChar(0);
  CEpassword.SetPasswordChar(0);
  ShowTexts(directory::ResetRegistrationTexts(kWebChatHost));
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
