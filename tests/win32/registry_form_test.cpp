#include "windows/registry_form.h"

#include <cctype>

#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

class RegistryFormTest : public ProgramTest {
 protected:
  TRegistryForm& registry() { return *program->RegistryForm; }

  void Fill(const Strings& texts) {
    std::array<platform::ColorEdit*, 10> fields = {
        &registry().CEnick, &registry().CEname,     &registry().CElastname, &registry().CEsecondname,
        &registry().CEemail, &registry().CEcity,    &registry().CEchatnick, &registry().CEinfo,
        &registry().CEpassword, &registry().CEretry};
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetText(texts[i]);
  }
  static void Enter(const platform::ColorEdit& field) {
    SendMessageW(field.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
    platform::PumpWaitingMessages();
  }
  static void Type(const platform::ColorEdit& field, wchar_t character) {
    SendMessageW(field.hwnd(), WM_CHAR, character, 0);
  }
};

TEST_F(RegistryFormTest, FieldsShowTheirCaptionsTakeTheirLimitsAndTabInOrder) {
  TRegistryForm& r = registry();
  EXPECT_FALSE(r.visible());
  const std::array<std::pair<const platform::ColorEdit*, int>, 10> limits = {{
      {&r.CEnick, 18}, {&r.CEname, 18}, {&r.CElastname, 24}, {&r.CEsecondname, 24}, {&r.CEemail, 24},
      {&r.CEcity, 18}, {&r.CEchatnick, 18}, {&r.CEinfo, 80}, {&r.CEpassword, 12}, {&r.CEretry, 12}}};
  for (const auto& [field, limit] : limits) {
    EXPECT_EQ(SendMessageW(field->hwnd(), EM_GETLIMITTEXT, 0, 0), limit);
  }
  EXPECT_EQ(r.CEemail.Text(), "email");
  std::string host = kWebChatHost;
  for (char& c : host) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(r.CEchatnick.Text(), "Nick_in_" + host);  // a longer host passes the limit: it is for typing only
  EXPECT_TRUE(r.RadioButton1.Checked());
  EXPECT_EQ(ChildBounds(r.GroupBox1.hwnd()).top, 200);

  // Tab goes through the fields, into the sex group, to the passwords and round again.
  const std::vector<HWND> order = {r.CEnick.hwnd(), r.CEname.hwnd(), r.CElastname.hwnd(),
                                   r.CEsecondname.hwnd(), r.CEemail.hwnd(), r.CEcity.hwnd(),
                                   r.CEchatnick.hwnd(), r.CEinfo.hwnd(), r.RadioButton1.hwnd(),
                                   r.CEpassword.hwnd(), r.CEretry.hwnd(), r.CEnick.hwnd()};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    EXPECT_EQ(GetNextDlgTabItem(r.hwnd(), order[i], FALSE), order[i + 1]) << i;
  }
}

TEST_F(RegistryFormTest, TheNewUserButtonSwapsTheWindowsAndCancelSwapsThemBack) {
  Click(start().Pnewuser.hwnd(), 80, 9);
  EXPECT_TRUE(registry().visible());
  EXPECT_FALSE(start().visible());
  EXPECT_EQ(sounds.back(), "play sound/Beep.wav");

  registry().CEnick.SetText("kept");
  Click(registry().Pregistry.hwnd(), 80 + 35, 9);  // Bcancel
  EXPECT_TRUE(start().visible());
  EXPECT_FALSE(registry().visible());
  start().Bnewuserclick();
  start().Bnewuserclick();
  Click(registry().Psystemmenu.hwnd(), 20 + 7, 6);  // VBclose
  EXPECT_FALSE(registry().visible());
  EXPECT_EQ(registry().CEnick.Text(), "kept");
  EXPECT_TRUE(connector.sent.empty());
}

TEST_F(RegistryFormTest, EnterInAnyFieldRegistersOnceAndTheAnswerFillsTheLogin) {
  start().Bnewuserclick();
  Fill({"Kot", "Ivan", "Ivanov", "Ivanovich", "kot@example", "Kazan", "kot", std::string("Об о мне"_cp1251),
        "pw", "pw"});
  SendMessageW(registry().RadioButton2.hwnd(), BM_CLICK, 0, 0);
  Enter(registry().CEinfo);
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(connector.sent[0].Data(), "#RKot|Ivan|Ivanov|Ivanovich|kot@example|Kazan|pw|ж|Об о мне|kot"_cp1251);
  EXPECT_LT(std::stoul(connector.sent[0].Session()), 4967296u);
  for (const platform::ColorEdit* field : {&registry().CEnick, &registry().CEretry}) Enter(*field);
  EXPECT_EQ(connector.sent.size(), 3u);

  session().transport().Completed(connector.sent.back().id, "HTTP/1.0 200 OK\r\n\r\n#R10042\r\n");
  platform::PumpWaitingMessages();
  EXPECT_EQ(info().Linfo.caption(), "Вам присвоен идентификатор: 10042"_cp1251);
  EXPECT_TRUE(start().visible());
  EXPECT_FALSE(registry().visible());
  EXPECT_EQ(start().CEid.Text(), "10042");
  EXPECT_EQ(start().CEpassword.Text(), "pw");
  EXPECT_EQ(program->state.chat_nick, "kot");
  EXPECT_EQ(sounds.back(), "play sound/onregistry.wav");
}

TEST_F(RegistryFormTest, ARefusedRegistrationShowsItsNoticeAndSendsNothing) {
  start().Bnewuserclick();
  Fill({"K|ot", "a", "b", "c", "d", "e", "f", "g", "pw", "other"});
  Click(registry().Pregistry.hwnd(), 40 + 19, 9);  // Bregistry
  EXPECT_EQ(info().Linfo.caption(), "Недопустимый символ | в нике."_cp1251);
  EXPECT_TRUE(connector.sent.empty());
  EXPECT_TRUE(registry().visible());
  EXPECT_EQ(registry().CEnick.Text(), "K|ot");
}

TEST_F(RegistryFormTest, TypingIntoAFieldThatShowsItsCaptionReplacesTheCaption) {
  TRegistryForm& r = registry();
  start().Bnewuserclick();
  r.CEnick.Focus();
  SendMessageW(r.CEnick.hwnd(), EM_SETSEL, 3, 3);  // a click leaves the caret after the caption
  for (const wchar_t c : std::wstring(L"Tester")) Type(r.CEnick, c);
  for (const wchar_t c : std::wstring(L"secret7")) Type(r.CEpassword, c), Type(r.CEretry, c);
  Type(r.CEcity, L'\b');
  Type(r.CEnick, L'!');  // a field that holds typed text takes the next character as usual
  EXPECT_EQ(r.CEpassword.PasswordChar(), L'*');

  // Tab selects the whole text of the field it enters, as in a dialog.
  PostMessageW(r.CEnick.hwnd(), WM_KEYDOWN, VK_TAB, 0);
  platform::PumpWaitingMessages();
  DWORD first = 1, end = 0;
  SendMessageW(r.CEname.hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(GetFocus(), r.CEname.hwnd());
  EXPECT_EQ(std::pair(first, end), std::pair(0ul, 3ul));

  Enter(r.CEinfo);
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(connector.sent[0].Data(),
            std::string("#RTester!|Имя|Фамилия|Отчество|email||secret7|м|Немного о себе|"_cp1251) + r.CEchatnick.Text());

  r.Brefreshclick();
  Type(r.CEemail, L'k');
  EXPECT_EQ(r.CEemail.Text(), "k");
}

TEST_F(RegistryFormTest, PasswordsAreMaskedFromTheirFirstTypedCharacterUntilReset) {
  TRegistryForm& r = registry();
  EXPECT_EQ(r.CEpassword.PasswordChar(), 0);
  SendMessageW(r.CEpassword.hwnd(), WM_KEYDOWN, VK_LEFT, 0);  // moving the caret types nothing
  EXPECT_EQ(r.CEpassword.PasswordChar(), 0);
  Type(r.CEpassword, L'\b');
  EXPECT_EQ(r.CEpassword.PasswordChar(), L'*');
  EXPECT_EQ(r.CEretry.PasswordChar(), 0);
  Type(r.CEretry, L'x');
  EXPECT_EQ(r.CEretry.PasswordChar(), L'*');

  r.Brefreshclick();
  EXPECT_EQ(r.CEpassword.PasswordChar(), 0);
  EXPECT_EQ(r.CEretry.PasswordChar(), 0);
  EXPECT_EQ(r.CEpassword.Text(), "Пароль"_cp1251);
  EXPECT_EQ(r.CEemail.Text(), "e-mail");
  EXPECT_EQ(r.CEchatnick.Text(), std::string("Ник в чате "_cp1251) + kWebChatHost);
}

}  // namespace
}  // namespace ozl
