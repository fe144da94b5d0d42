#include "protocol/commands.h"

#include <gtest/gtest.h>

#include "text/cp1251.h"

namespace ozl::protocol {
namespace {

using Views = std::vector<std::string_view>;

std::string Text(std::string_view cp1251) { return std::string(cp1251); }

TEST(OutgoingCommands, EachCommandHasItsCodeFieldsAndSeparators) {
  EXPECT_EQ(PingCommand(), "#PING");
  EXPECT_EQ(ChatCommand("Всем привет!"_cp1251), "#CВсем привет!"_cp1251);
  EXPECT_EQ(SearchCommand({.city = std::string("Казань"_cp1251)}), "#P||||Казань|||"_cp1251);
  EXPECT_EQ(AddContactCommand(12345), "#K112345");
  EXPECT_EQ(RemoveContactCommand(34567), "#K034567");
  EXPECT_EQ(UserInfoCommand(12345), "#I12345");
  const std::vector<std::string> one_line = {std::string("Привет, как дела?"_cp1251)};
  EXPECT_EQ(PrivateMessageCommand("12345", one_line), "#S12345|Привет, как дела? "_cp1251);
  EXPECT_EQ(LoginCommand("12345", "secret"), "#A12345|secret");
  EXPECT_EQ(EnterChatCommand(), "#E1");
  EXPECT_EQ(LeaveChatCommand(), "#E0");
  EXPECT_EQ(ClosedForFriendshipCommand(), "#L0");
  EXPECT_EQ(OpenForFriendshipCommand(), "#L1");
  EXPECT_EQ(LogoutCommand(), "#D");
  EXPECT_EQ(AddContactCommand(-7), "#K1-7");
}

TEST(OutgoingCommands, RegistrationPutsEmailBeforeCityAndSearchPutsTheIdSeventh) {
  Registration registration{"Kot", std::string("Иван"_cp1251), "Ivanov", "Ivanovich", "kot@example",
                            "Kazan", "pw", Sex::kFemale, "about", "kot"};
  EXPECT_EQ(RegistrationCommand(registration),
            "#RKot|Иван|Ivanov|Ivanovich|kot@example|Kazan|pw|ж|about|kot"_cp1251);
  registration.sex = Sex::kMale;
  EXPECT_TRUE(RegistrationCommand(registration).ends_with("|pw|\xEC|about|kot"));

  const SearchCriteria criteria{"n", "f", "s", "p", "c", "e", "42", "cn"};
  EXPECT_EQ(SearchCommand(criteria), "#Pn|f|s|p|c|e|42|cn");
  EXPECT_EQ(SearchCommand({}), "#P|||||||");
}

TEST(OutgoingCommands, PrivateMessageEndsEveryLineWithABlankAndKeepsBars) {
  const std::vector<std::string> two_lines = {"first", "sec|ond"};
  EXPECT_EQ(PrivateMessageCommand("7", two_lines), "#S7|first sec|ond ");
  EXPECT_EQ(PrivateMessageCommand("7", {}), "#S7|");
}

TEST(RegistrationChecks, TheFirstFailingCheckGivesItsNotice) {
  const Registration valid{"Kot", std::string("Имя"_cp1251), "Surname", "Patronymic", "email",
                           "City", "pw", Sex::kMale, "About", "kot"};
  EXPECT_EQ(RegistrationRefusal(valid, "pw"), std::nullopt);

  Registration both = valid;
  both.nick = "K~o|t";
  EXPECT_EQ(RegistrationRefusal(both, "other"), "Недопустимый символ ~ в нике."_cp1251);
  Registration bar = valid;
  bar.nick = "K|ot";
  EXPECT_EQ(RegistrationRefusal(bar, "other"), "Недопустимый символ | в нике."_cp1251);

  for (std::string Registration::*field :
       {&Registration::nick, &Registration::email, &Registration::city, &Registration::password,
        &Registration::about, &Registration::chat_nick}) {
    Registration hyphen = valid;
    hyphen.*field += "-x";
    EXPECT_EQ(RegistrationRefusal(hyphen, hyphen.password), "Недопустимый символ -."_cp1251);
  }
  Registration reset_email = valid;
  reset_email.email = "e-mail";
  EXPECT_EQ(RegistrationRefusal(reset_email, "pw"), "Недопустимый символ -."_cp1251);

  EXPECT_EQ(RegistrationRefusal(valid, "PW"), "Повторение пароля не совпадает."_cp1251);
  Registration bar_in_about = valid;
  bar_in_about.about = "a|b~c";
  EXPECT_EQ(RegistrationRefusal(bar_in_about, "pw"), std::nullopt);
}

TEST(SearchChecks, ABarInAnyFieldRefusesTheSearch) {
  EXPECT_EQ(SearchRefusal({}), std::nullopt);
  for (std::string SearchCriteria::*field :
       {&SearchCriteria::nick, &SearchCriteria::city, &SearchCriteria::id, &SearchCriteria::chat_nick}) {
    SearchCriteria criteria;
    criteria.*field = "a|b";
    EXPECT_EQ(SearchRefusal(criteria), "         Недопустимый символ |"_cp1251);
  }
}

TEST(Recognition, CodesAreComparedInTheirOrderAndTheFirstMatchDecides) {
  struct Case {
    std::string_view line;
    Incoming code;
    std::string_view rest;
  };
  const Case cases[] = {
      {"#R12345\n", Incoming::kRegistered, "12345\n"},
      {"#Akot|Kot\n", Incoming::kLoggedIn, "kot|Kot\n"},
      {"#CKot|hi\n", Incoming::kChatLine, "Kot|hi\n"},
      {"#U~\n", Incoming::kFullLists, "~\n"},
      {"#P1-a-online|\n", Incoming::kSearchResult, "1-a-online|\n"},
      {"#IKot\n", Incoming::kUserInfo, "Kot\n"},
      {"#YK1-a-online\n", Incoming::kContactChanged, "1-a-online\n"},
      {"#YU1-a-online\n", Incoming::kOnlineChanged, "1-a-online\n"},
      {"#K112345-a-online\n", Incoming::kContactAdded, "12345-a-online\n"},
      {"#K034567\n", Incoming::kContactRemoved, "34567\n"},
      {"#0\n", Incoming::kLogInAgain, "\n"},
      {"#-\n", Incoming::kNotice, "\n"},
      {"#D\n", Incoming::kEnd, "\n"},
      {"#S12345|Kot|hi\n", Incoming::kPrivateMessage, "12345|Kot|hi\n"},
      {"#K2\n", Incoming::kNone, ""},
      {"#YX\n", Incoming::kNone, ""},
      {"#E1\n", Incoming::kNone, ""},
      {"#PING\n", Incoming::kNone, ""},
      {"#r1\n", Incoming::kNone, ""},
      {"\n", Incoming::kNone, ""},
      {"#", Incoming::kNone, ""},
      {"", Incoming::kNone, ""},
  };
  for (const Case& c : cases) {
    const Recognised recognised = Recognise(c.line);
    EXPECT_EQ(recognised.code, c.code) << c.line;
    EXPECT_EQ(recognised.rest, c.rest) << c.line;
  }
}

TEST(IncomingFields, LoginSplitsAtTheFirstBar) {
  const auto login = ParseLogin("Кот|Ко|т\n"_cp1251);
  ASSERT_TRUE(login);
  EXPECT_EQ(login->chat_nick, "Кот"_cp1251);
  EXPECT_EQ(login->nick, "Ко|т"_cp1251);
  EXPECT_FALSE(ParseLogin("kot\n"));
}

TEST(IncomingFields, ChatNickEndsAtABarAmongTheFirstHundredCharacters) {
  const auto parsed = [](const std::string& rest) {
    const ChatLine line = ParseChatLine(rest);
    return std::pair<std::string, std::string>(line.nick, line.text);
  };
  using Parts = std::pair<std::string, std::string>;
  EXPECT_EQ(parsed(Text("Kot|Всем | привет!\n"_cp1251)), Parts("Kot", Text("Всем | привет!"_cp1251)));

  const std::string ninety_nine(99, 'n');
  EXPECT_EQ(parsed(ninety_nine + "|text\n"), Parts(ninety_nine, "text"));
  EXPECT_EQ(parsed(ninety_nine + "Xtail|more\n"), Parts(ninety_nine, "tail|more"));
  EXPECT_EQ(parsed(ninety_nine + "X\n"), Parts(ninety_nine, ""));
  EXPECT_EQ(parsed("no bar\n"), Parts("no bar", ""));
}

TEST(IncomingFields, FullListsSplitAtTheFirstTildeIntoBarEndedEntries) {
  const FullLists lists = ParseFullLists("12345-Kot-online|23456-Zayka-chat|~23456-Zayka-chat|34567-Yozh-offline|\n");
  EXPECT_EQ(ListEntries(lists.online), (Views{"12345-Kot-online", "23456-Zayka-chat"}));
  EXPECT_EQ(ListEntries(lists.contacts), (Views{"23456-Zayka-chat", "34567-Yozh-offline"}));

  EXPECT_EQ(ParseFullLists("~\n").online, "");
  EXPECT_EQ(ParseFullLists("~\n").contacts, "");
  EXPECT_EQ(ParseFullLists("1-a-online|\n").online, "1-a-online|");
  EXPECT_EQ(ParseFullLists("1-a-online|\n").contacts, "");
  EXPECT_EQ(ParseFullLists("a~b~c\n").contacts, "b~c");

  EXPECT_EQ(ListEntries("a|b"), (Views{"a"}));
  EXPECT_EQ(ListEntries("||"), (Views{"", ""}));
  EXPECT_EQ(ListEntries(""), Views{});
}

TEST(IncomingFields, AnEntrySplitKeepsDashesInTheStatusWhileEntryPartsCutAtEvery) {
  Entry entry = SplitEntry("1-Ko-t-online");
  EXPECT_EQ(entry.id, "1");
  EXPECT_EQ(entry.nick, "Ko");
  EXPECT_EQ(entry.status, "t-online");
  entry = SplitEntry("online");
  EXPECT_EQ(entry.id, "");
  EXPECT_EQ(entry.nick, "");
  EXPECT_EQ(entry.status, "online");
  entry = SplitEntry("1-online");
  EXPECT_EQ(entry.id, "1");
  EXPECT_EQ(entry.nick, "");
  EXPECT_EQ(entry.status, "online");

  EXPECT_EQ(EntryParts("1-Ko-t-online", 16), (Views{"1", "Ko", "t", "online"}));
  EXPECT_EQ(EntryParts("", 16), (Views{""}));
  EXPECT_EQ(EntryParts("a-", 16), (Views{"a", ""}));
  EXPECT_EQ(EntryParts("a-b-c-d", 2), (Views{"a", "b"}));
}

TEST(IncomingFields, UserInfoHasNineFieldsAndMissingOnesAreEmpty) {
  UserInfo info = ParseUserInfo("Kot|Иван|Иванов|Иванович|Казань|kot|м|Люблю чай|online\n"_cp1251);
  EXPECT_EQ(info.nick, "Kot");
  EXPECT_EQ(info.first_name, "Иван"_cp1251);
  EXPECT_EQ(info.surname, "Иванов"_cp1251);
  EXPECT_EQ(info.patronymic, "Иванович"_cp1251);
  EXPECT_EQ(info.city, "Казань"_cp1251);
  EXPECT_EQ(info.chat_nick, "kot");
  EXPECT_EQ(info.sex, "м"_cp1251);
  EXPECT_EQ(info.about, "Люблю чай"_cp1251);
  EXPECT_EQ(info.status, "online");

  info = ParseUserInfo("Kot|Иван\n"_cp1251);
  EXPECT_EQ(info.nick, "Kot");
  EXPECT_EQ(info.first_name, "Иван"_cp1251);
  EXPECT_EQ(info.surname, "");
  EXPECT_EQ(info.status, "");
}

TEST(IncomingFields, APrivateMessageNeedsTwoBarsAndAPlainDecimalId) {
  auto message = ParsePrivateMessage("12345|Kot|Привет! a|b\n"_cp1251);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->id, "12345");
  EXPECT_EQ(message->nick, "Kot");
  EXPECT_EQ(message->text, "Привет! a|b"_cp1251);

  EXPECT_FALSE(ParsePrivateMessage("12345|Kot\n"));
  EXPECT_FALSE(ParsePrivateMessage("..\\..\\x|Kot|hi\n"));
  EXPECT_FALSE(ParsePrivateMessage("|Kot|hi\n"));
  EXPECT_FALSE(ParsePrivateMessage("12 3|Kot|hi\n"));
  EXPECT_FALSE(ParsePrivateMessage("-5|Kot|hi\n"));
  EXPECT_FALSE(ParsePrivateMessage("2147483648|Kot|hi\n"));
  EXPECT_FALSE(ParsePrivateMessage("99999999999|Kot|hi\n"));
  EXPECT_TRUE(ParsePrivateMessage("2147483647|Kot|hi\n"));
  EXPECT_TRUE(ParsePrivateMessage("1||\n"));
}

}  // namespace
}  // namespace ozl::protocol
