// The registration and search placeholders, and the colour tool's arithmetic.
#include <gtest/gtest.h>

#include "directory/placeholders.h"
#include "settings/colour_tool.h"
#include "settings/help_text.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

TEST(RegistrationPlaceholders, UntouchedFieldsAreSentAsTheyStand) {
  // As first shown: the passwords differ, so the fourth check refuses.
  const directory::RegistrationTexts initial = directory::InitialRegistrationTexts("chat.ozl.example");
  EXPECT_EQ(protocol::RegistrationCommand(initial.fields),
            "#RНик|Имя|Фамилия|Отчество|email|Город|Пароль|м|Немного о себе|Nick_in_CHAT.OZL.EXAMPLE"_cp1251);
  EXPECT_EQ(protocol::RegistrationRefusal(initial.fields, initial.password_repeat),
            "Повторение пароля не совпадает."_cp1251);
  // After a reset the e-mail's hyphen is refused first.
  const directory::RegistrationTexts reset = directory::ResetRegistrationTexts("chat.ozl.example");
  EXPECT_EQ(reset.fields.chat_nick, "Ник в чате chat.ozl.example"_cp1251);
  EXPECT_EQ(protocol::RegistrationRefusal(reset.fields, reset.password_repeat),
            "Недопустимый символ -."_cp1251);
}

TEST(SearchPlaceholders, OnlyAFieldHoldingExactlyItsPlaceholderIsEmptied) {
  EXPECT_EQ(protocol::SearchCommand(directory::WithoutPlaceholders(directory::SearchPlaceholders())),
            "#P|||||||");
  protocol::SearchCriteria typed = directory::SearchPlaceholders();
  typed.nick += " ";
  typed.city = "Казань"_cp1251;
  typed.id = "идентификатор"_cp1251;
  EXPECT_EQ(protocol::SearchCommand(directory::WithoutPlaceholders(typed)),
            "#PНик ||||Казань||идентификатор|"_cp1251);
}

TEST(ColourTool, MovesEveryChannelTowardsWhiteByTheSlidersFraction) {
  struct Case {
    int amount;
    std::uint8_t channel;
    std::uint8_t lightened;
  };
  for (const Case c : {Case{0, 0, 0}, Case{0, 154, 154}, Case{0, 255, 255}, Case{127, 0, 127},
                       Case{127, 50, 152}, Case{127, 255, 255}, Case{255, 0, 255},
                       Case{255, 154, 255}}) {
    EXPECT_EQ(settings::Lightened(c.channel, c.amount), c.lightened) << c.amount << " " << +c.channel;
  }
  skin::Picture skin(2, 1, {50, 60, 154});
  skin.Set(1, 0, {0, 128, 255});
  const skin::Picture copy = settings::LightenedCopy(skin, 0);
  EXPECT_EQ(copy.At(0, 0), (skin::Rgb{50, 60, 154}));
  EXPECT_EQ(copy.At(1, 0), (skin::Rgb{0, 128, 255}));
  const skin::Picture white = settings::LightenedCopy(skin, 255);
  EXPECT_EQ(white.At(0, 0), (skin::Rgb{255, 255, 255}));
  EXPECT_EQ(white.At(1, 0), (skin::Rgb{255, 255, 255}));
}

TEST(HelpText, HasItsFourNumberedSections) {
  const std::string text = settings::HelpText();
  for (const char* heading : {"\r\n1. ", "\r\n2. ", "\r\n3. ", "\r\n4. "}) {
    EXPECT_NE(text.find(heading), std::string::npos) << heading;
  }
}

}  // namespace
}  // namespace ozl
