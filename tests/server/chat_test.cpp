#include "chat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "test_store.h"
#include "text/cp1251.h"

namespace ozl::server {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using Lines = std::vector<std::string>;

// Windows-1251 literals are string_views; this joins them to the ids around them.
std::string operator+(std::string text, std::string_view more) { return text.append(more); }

std::string Key(int client) { return Chat::ClientKey("10.0.0." + std::to_string(client), "4711"); }

class ChatTest : public ::testing::Test {
 protected:
  ChatTest() : store_(test_support::OpenTestStore(dir_, "chat.db")), chat_(*store_, Limits()) {}

  static ChatLimits Limits() {
    ChatLimits limits;
    limits.max_pending_messages = 5;
    limits.max_contacts = 3;
    return limits;
  }

  // One request as the event loop runs it, the answer taken by the client.
  Lines Send(const std::string& client, std::string_view command, const std::optional<CommandMark>& mark = {}) {
    Answer answer = Run(client, command, mark);
    Serving().Delivered(answer.stored_messages);
    return Split(answer.Whole());
  }

  Answer Run(const std::string& client, std::string_view command, const std::optional<CommandMark>& mark = {}) {
    Outcome outcome = Serving().Handle(client, command, now_, mark);
    if (auto* work = std::get_if<PasswordWork>(&outcome)) {
      work->task.Run(PasswordCost::kMinimal);
      return Serving().Finish(std::move(*work), now_);
    }
    return std::get<Answer>(std::move(outcome));
  }

  static Lines Split(std::string_view body) {
    Lines lines;
    while (!body.empty()) {
      const std::size_t end = body.find("\r\n");
      EXPECT_NE(end, std::string_view::npos) << "every line ends in CR LF";
      lines.emplace_back(body.substr(0, end));
      body.remove_prefix(end + 2);
    }
    return lines;
  }

  UserId Register(std::string_view nick, std::string_view password = "pw") {
    const Lines lines = Send(Key(99), "#R" + std::string(nick) + "|Ivan|Petrov|Ivanovich|mail|Kazan|" +
                                          std::string(password) + "|m|about|chat_" + std::string(nick));
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines.front(), StartsWith("#R"));
    return static_cast<UserId>(std::stoi(lines.front().substr(2)));
  }

  Lines Login(int client, UserId user, std::string_view password = "pw") {
    return Send(Key(client), "#A" + std::to_string(user) + "|" + std::string(password));
  }

  void Wait(std::chrono::seconds seconds) {
    now_ += seconds;
    chat_.ExpireIdle(now_);
  }

  // The server started again on the same database: what it held in memory is gone.
  void Restart() {
    reopened_ = test_support::OpenTestStore(dir_, "chat.db");
    restarted_.emplace(*reopened_, Limits());
  }
  Chat& Serving() { return restarted_ ? *restarted_ : chat_; }

  test_support::TempDir dir_;
  std::unique_ptr<Store> store_;
  Chat chat_;
  std::unique_ptr<Store> reopened_;
  std::optional<Chat> restarted_;
  Clock::time_point now_ = Clock::time_point{} + std::chrono::hours(1);
};

TEST_F(ChatTest, RegistrationGivesConsecutiveIdsAndKeepsTheProfile) {
  const UserId first = Register("Kot");
  EXPECT_EQ(first, Store::kFirstId);
  EXPECT_EQ(Register("Yozh"), first + 1);

  Login(1, first);
  EXPECT_THAT(Send(Key(1), "#I" + std::to_string(first)),
              ElementsAre("#IKot|Ivan|Petrov|Ivanovich|Kazan|chat_Kot|m|about|online"));
  EXPECT_THAT(Send(Key(1), "#I" + std::to_string(first + 1)),
              ElementsAre("#IYozh|Ivan|Petrov|Ivanovich|Kazan|chat_Yozh|m|about|offline"));

  const std::optional<UserRecord> stored = store_->FindUser(first);
  ASSERT_TRUE(stored);
  EXPECT_THAT(stored->password_hash, StartsWith("$argon2id$"));
  EXPECT_TRUE(VerifyPassword(stored->password_hash, "pw"));
  EXPECT_FALSE(VerifyPassword(stored->password_hash, "pW"));
}

TEST_F(ChatTest, RegistrationRefusesFieldsThatWouldCorruptLists) {
  const auto refused = [&](std::string_view fields) {
    const Lines lines = Send(Key(1), "#R" + std::string(fields));
    return lines.size() == 1 && lines.front().starts_with("#-");
  };
  EXPECT_TRUE(refused("Ko~t|a|b|c|d|e|pw|m|about|chat"));
  EXPECT_TRUE(refused("Ko-t|a|b|c|d|e|pw|m|about|chat"));
  EXPECT_TRUE(refused("|a|b|c|d|e|pw|m|about|chat"));
  EXPECT_TRUE(refused("Kot|a|b|c|d|e||m|about|chat"));
  EXPECT_TRUE(refused("Kot|a|b|c|d|e|pw|m|ab|out|chat")) << "a bar in the about field makes eleven fields";
  EXPECT_TRUE(refused("Kot|a|b|c|d|e|pw|m|about"));
  EXPECT_TRUE(refused("Kot|a\tb|b|c|d|e|pw|m|about|chat"));
  EXPECT_TRUE(refused(std::string(33, 'k') + "|a|b|c|d|e|pw|m|about|chat"));
  EXPECT_TRUE(refused("Kot|a|b|c|d|e|pw|m|" + std::string(256, 'x') + "|chat"));
  EXPECT_FALSE(refused("Kot|a-b|b|c|d|e|p-w|m|a-b~c|chat"))
      << "dashes and tildes are harmless outside the nick";
}

TEST_F(ChatTest, LoginAnswersNicksAndFullListsOrANotice) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(2, yozh);
  Send(Key(2), "#K1" + std::to_string(kot));

  const Lines lines = Login(1, kot);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "#Achat_Kot|Kot");
  EXPECT_THAT(lines[1], StartsWith("#U"));
  EXPECT_THAT(lines[1], HasSubstr(std::to_string(kot) + "-Kot-online|"));
  EXPECT_THAT(lines[1], HasSubstr(std::to_string(yozh) + "-Yozh-online|"));
  EXPECT_THAT(lines[1], ::testing::EndsWith("~")) << "Kot has no contacts yet";

  const Lines yozh_again = Login(3, yozh);
  EXPECT_THAT(yozh_again[1], ::testing::EndsWith("~" + std::to_string(kot) + "-Kot-online|"));

  const std::string wrong = "#-" + std::string("Неверный идентификатор или пароль."_cp1251);
  EXPECT_THAT(Login(4, kot, "PW"), ElementsAre(wrong));
  EXPECT_THAT(Login(4, 99999), ElementsAre(wrong));
  EXPECT_THAT(Send(Key(4), "#A"), ElementsAre(wrong));
  EXPECT_THAT(Send(Key(4), "#Akot|pw"), ElementsAre(wrong));
  EXPECT_THAT(Send(Key(4), "#PING"), ElementsAre("#0")) << "a failed login makes no session";
}

TEST_F(ChatTest, UnknownSessionsGetARelogAndTheProbeGetsNothing) {
  const UserId kot = Register("Kot");
  EXPECT_THAT(Send(Key(1), "#PING"), ElementsAre("#0"));
  EXPECT_THAT(Send(Key(1), "#S1|hi"), ElementsAre("#0"));
  EXPECT_THAT(Send(Key(1), ""), ElementsAre("#0"));

  Login(1, kot);
  EXPECT_THAT(Send(Key(1), "#PING"), IsEmpty());
  EXPECT_THAT(Send(Chat::ClientKey("10.0.0.2", "4711"), "#PING"), ElementsAre("#0"))
      << "the same session value from another address is another client";
  EXPECT_THAT(Send(Chat::ClientKey("10.0.0.1", "4712"), "#PING"), ElementsAre("#0"));

  EXPECT_THAT(Send(Chat::ClientKey("10.0.0.9", "777"), "#PING"), IsEmpty());
  EXPECT_THAT(Send(Chat::ClientKey("10.0.0.9", "777"), "#A" + std::to_string(kot) + "|pw"), IsEmpty());
  EXPECT_EQ(chat_.session_count(), 1u);
}

TEST_F(ChatTest, PrivateMessagesReachTheRecipientInOrderAndEchoToTheSender) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  Login(2, yozh);
  Send(Key(1), "#PING");
  const std::string to_yozh = "#S" + std::to_string(yozh) + "|";

  EXPECT_THAT(Send(Key(1), to_yozh + "first | with bar "), ElementsAre(to_yozh + "Kot|first | with bar "));
  EXPECT_THAT(Send(Key(1), to_yozh + "second\rline "), ElementsAre(to_yozh + "Kot|second line "));
  Send(Key(1), to_yozh + "third");
  const std::string from_kot = "#S" + std::to_string(kot) + "|Kot|";
  EXPECT_THAT(Send(Key(2), "#PING"),
              ElementsAre(from_kot + "first | with bar ", from_kot + "second line ", from_kot + "third"));
  EXPECT_THAT(Send(Key(2), "#PING"), IsEmpty()) << "a delivered message does not come again";

  EXPECT_THAT(Send(Key(1), "#S424242|hello"),
              ElementsAre("#-" + std::string("Пользователь 424242 не найден."_cp1251)));
  EXPECT_THAT(Send(Key(1), "#S" + std::to_string(kot) + "|note to self"), ElementsAre(from_kot + "note to self"));
  EXPECT_THAT(Send(Key(1), "#S" + std::to_string(yozh)), IsEmpty()) << "a message without text field is dropped";
}

TEST_F(ChatTest, ARepeatedCommandIsAnsweredWithoutActingAgain) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  Login(2, yozh);
  Send(Key(1), "#E1");
  Send(Key(2), "#E1");
  Send(Key(1), "#PING");
  Send(Key(2), "#PING");
  const std::string to_yozh = "#S" + std::to_string(yozh) + "|";
  const std::string echo = to_yozh + "Kot|";
  // A client sends a command again, with its mark, when the answer did not reach it. What the
  // lost answer told the sender comes again.
  const struct {
    std::string command;
    std::optional<CommandMark> mark;
    std::string answer;
  } cases[] = {
      {to_yozh + "once", CommandMark{7, 1}, echo + "once"},
      {to_yozh + "once", CommandMark{7, 1}, echo + "once"},
      {to_yozh + "another run", CommandMark{8, 1}, echo + "another run"},
      {to_yozh + "unmarked", std::nullopt, echo + "unmarked"},
      {to_yozh + "unmarked", std::nullopt, echo + "unmarked"},  // an older client is served as always
      {"#Chello", CommandMark{7, 2}, "#CKot|hello"},
      {"#Chello", CommandMark{7, 2}, "#CKot|hello"},
  };
  for (const auto& c : cases) EXPECT_THAT(Send(Key(1), c.command, c.mark), ElementsAre(c.answer)) << c.command;
  const std::string from_kot = "#S" + std::to_string(kot) + "|Kot|";
  EXPECT_THAT(Send(Key(2), "#PING"), ElementsAre(from_kot + "once", from_kot + "another run", from_kot + "unmarked",
                                                 from_kot + "unmarked", "#CKot|hello"));
}

TEST_F(ChatTest, ARepeatIsKnownAfterTheServerRestarted) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  const std::string command = "#S" + std::to_string(yozh) + "|stored, answer lost";
  Run(Key(1), command, CommandMark{7, 1});
  Restart();
  EXPECT_THAT(Send(Key(1), command, CommandMark{7, 1}), ElementsAre("#0"));
  Login(1, kot);
  EXPECT_THAT(Send(Key(1), command, CommandMark{7, 1}),
              ElementsAre("#S" + std::to_string(yozh) + "|Kot|stored, answer lost"));
  const Lines login = Login(2, yozh);
  ASSERT_EQ(login.size(), 3u) << "the message comes once";
  EXPECT_EQ(login[2], "#S" + std::to_string(kot) + "|Kot|stored, answer lost");
}

TEST_F(ChatTest, MessagesToOfflineUsersWaitForTheirNextLogin) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  Send(Key(1), "#S" + std::to_string(yozh) + "|one");
  Send(Key(1), "#S" + std::to_string(yozh) + "|two");

  const Lines login = Login(2, yozh);
  const std::string from_kot = "#S" + std::to_string(kot) + "|Kot|";
  ASSERT_EQ(login.size(), 4u);
  EXPECT_THAT(login[1], StartsWith("#U"));
  EXPECT_EQ(login[2], from_kot + "one");
  EXPECT_EQ(login[3], from_kot + "two");
  Send(Key(2), "#D");
  EXPECT_EQ(Login(3, yozh).size(), 2u) << "delivered messages are gone from the store";

  // An answer that never reached the client leaves its messages stored for the next login.
  Send(Key(1), "#S" + std::to_string(yozh) + "|lost on the way");
  const Answer unsent = Run(Key(3), "#PING");
  EXPECT_EQ(unsent.stored_messages.size(), 1u);
  const Lines again = Login(4, yozh);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again[2], from_kot + "lost on the way");

  Send(Key(4), "#D");
  for (int i = 0; i < 5; ++i) Send(Key(1), "#S" + std::to_string(yozh) + "|flood");
  EXPECT_THAT(Send(Key(1), "#S" + std::to_string(yozh) + "|one too many"),
              ElementsAre("#-" + std::string("У получателя слишком много непрочитанных сообщений."_cp1251)));
}

TEST_F(ChatTest, PresenceChangesReachEveryoneOnlineAndContactOwners) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  const UserId zayka = Register("Zayka");
  Login(1, kot);
  Send(Key(1), "#K1" + std::to_string(yozh));
  Login(3, zayka);

  const std::string yozh_entry = std::to_string(yozh) + "-Yozh-";
  Login(2, yozh);
  EXPECT_THAT(Send(Key(1), "#PING"), ElementsAre("#YU" + std::to_string(zayka) + "-Zayka-online",
                                                 "#YU" + yozh_entry + "online", "#YK" + yozh_entry + "online"));
  EXPECT_THAT(Send(Key(3), "#PING"), ElementsAre("#YU" + yozh_entry + "online"));

  Send(Key(2), "#E1");
  Send(Key(2), "#E0");
  Send(Key(2), "#D");
  EXPECT_THAT(Send(Key(1), "#PING"),
              ElementsAre("#YU" + yozh_entry + "chat", "#YK" + yozh_entry + "chat", "#YU" + yozh_entry + "online",
                          "#YK" + yozh_entry + "online", "#YU" + yozh_entry + "offline",
                          "#YK" + yozh_entry + "offline"));
  EXPECT_THAT(Send(Key(3), "#PING"), ElementsAre("#YU" + yozh_entry + "chat", "#YU" + yozh_entry + "online",
                                                 "#YU" + yozh_entry + "offline"));
}

TEST_F(ChatTest, SilentSessionsGoOfflineAndNoLineIsLostToTheLiveOnes) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  Login(2, yozh);
  Send(Key(1), "#PING");

  for (int i = 0; i < 3; ++i) {
    Wait(std::chrono::seconds(15));
    Send(Key(1), "#PING");
  }
  EXPECT_EQ(chat_.online_count(), 1u);
  EXPECT_THAT(Send(Key(2), "#PING"), ElementsAre("#0"));

  // Kot polls only every 30 s; the lines of that time are all still there for him.
  Login(2, yozh);
  Wait(std::chrono::seconds(30));
  Send(Key(2), "#E1");
  Wait(std::chrono::seconds(9));
  EXPECT_THAT(Send(Key(1), "#PING"), ElementsAre("#YU" + std::to_string(yozh) + "-Yozh-online",
                                                 "#YU" + std::to_string(yozh) + "-Yozh-chat"));
}

TEST_F(ChatTest, GeneralChatLinesGoToEveryoneInTheChat) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  const UserId zayka = Register("Zayka");
  Login(1, kot);
  Login(2, yozh);
  Login(3, zayka);
  Send(Key(1), "#E1");
  Send(Key(2), "#E1");
  for (int client = 1; client <= 3; ++client) Send(Key(client), "#PING");

  EXPECT_THAT(Send(Key(1), "#C(для Yozh) привет | всем"_cp1251),
              ElementsAre("#CKot|(для Yozh) привет | всем"_cp1251));
  EXPECT_THAT(Send(Key(2), "#PING"), ElementsAre("#CKot|(для Yozh) привет | всем"_cp1251));
  EXPECT_THAT(Send(Key(3), "#PING"), IsEmpty());
  EXPECT_THAT(Send(Key(3), "#Chello"), ElementsAre("#-" + std::string("Сначала войдите в общий чат."_cp1251)));

  const std::string yozh_online = "#YU" + std::to_string(yozh) + "-Yozh-online";
  EXPECT_THAT(Send(Key(2), "#E0"), ElementsAre(yozh_online));
  EXPECT_THAT(Send(Key(1), "#Cbye"), ElementsAre(yozh_online, "#CKot|bye"));
  EXPECT_THAT(Send(Key(2), "#PING"), IsEmpty());
  EXPECT_THAT(Send(Key(3), "#PING"), ElementsAre(yozh_online));
  (void)zayka;
}

TEST_F(ChatTest, LinesForEverybodyAreRationedPerSession) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  Login(2, yozh);
  Send(Key(2), "#E1");
  Send(Key(1), "#E1");
  Send(Key(2), "#PING");
  const std::string too_often = "#-" + std::string("Не так часто, подождите немного."_cp1251);
  for (int i = 0; i < 4; ++i) Send(Key(1), "#Cline " + std::to_string(i));
  EXPECT_THAT(Send(Key(1), "#Cone too many"), ElementsAre(too_often));
  EXPECT_THAT(Send(Key(1), "#E0"), ElementsAre(too_often)) << "entering and leaving count as well";
  EXPECT_EQ(Send(Key(2), "#PING").size(), 4u);

  now_ += std::chrono::seconds(2);
  EXPECT_THAT(Send(Key(1), "#Cagain"), ElementsAre("#CKot|again"));
  EXPECT_THAT(Send(Key(1), "#E0"), ElementsAre("#YU" + std::to_string(kot) + "-Kot-online"));
  EXPECT_THAT(Send(Key(1), "#E1"), ElementsAre(too_often));
}

TEST_F(ChatTest, AChatLineLongerThanAPersonWritesIsRefusedWithANotice) {
  Login(1, Register("Kot"));
  Send(Key(1), "#E1");
  Send(Key(1), "#PING");
  const std::string longest(1000, 'a');
  EXPECT_THAT(Send(Key(1), "#C" + longest), ElementsAre("#CKot|" + longest));
  EXPECT_THAT(Send(Key(1), "#C" + longest + "a"),
              ElementsAre("#-" + std::string("Не так длинно, разбейте на несколько строк."_cp1251)));
}

TEST_F(ChatTest, ContactsAreKeptAndFriendshipFlagsAreRespected) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  const UserId zayka = Register("Zayka");
  Login(1, kot);
  Login(2, yozh);
  Send(Key(1), "#PING");

  EXPECT_THAT(Send(Key(1), "#K1" + std::to_string(yozh)), ElementsAre("#K1" + std::to_string(yozh) + "-Yozh-online"));
  EXPECT_THAT(Send(Key(1), "#K1" + std::to_string(zayka)),
              ElementsAre("#K1" + std::to_string(zayka) + "-Zayka-offline"));
  EXPECT_THAT(Send(Key(1), "#K1" + std::to_string(kot)),
              ElementsAre("#-" + std::string("Нельзя добавить в контакт-лист самого себя."_cp1251)));
  EXPECT_THAT(Send(Key(1), "#K1a\rbc"), ElementsAre("#-" + std::string("Пользователь a bc не найден."_cp1251)))
      << "a control character would break the notice's line in two";

  Send(Key(2), "#L0");
  const std::string closed = "#-" + std::string("Пользователь "_cp1251) + std::to_string(yozh) +
                             std::string(" закрыт для дружбы."_cp1251);
  EXPECT_THAT(Send(Key(1), "#K0" + std::to_string(yozh)), ElementsAre("#K0" + std::to_string(yozh)));
  EXPECT_THAT(Send(Key(1), "#K1" + std::to_string(yozh)), ElementsAre(closed));
  Send(Key(2), "#L1");
  EXPECT_THAT(Send(Key(1), "#K1" + std::to_string(yozh)), ElementsAre("#K1" + std::to_string(yozh) + "-Yozh-online"));

  Send(Key(1), "#D");
  const Lines again = Login(1, kot);
  EXPECT_THAT(again[1], ::testing::EndsWith("~" + std::to_string(yozh) + "-Yozh-online|" + std::to_string(zayka) +
                                          "-Zayka-offline|"));

  const UserId fourth = Register("Belka");
  const UserId fifth = Register("Sova");
  Send(Key(1), "#K1" + std::to_string(fourth));
  EXPECT_THAT(Send(Key(1), "#K1" + std::to_string(fifth)),
              ElementsAre("#-" + std::string("Контакт-лист переполнен."_cp1251)));
}

TEST_F(ChatTest, SearchMatchesPrefixesWithoutCaseAndReturnsAtMostTwenty) {
  const UserId kot = Register("Kot");
  Send(Key(9), "#RЁжик|Пётр|Иванов|Иванович|mail|Казань|pw|м|about|yozh"_cp1251);
  for (int i = 0; i < 25; ++i) Register("Bot" + std::to_string(i));
  Login(1, kot);
  Send(Key(1), "#PING");

  EXPECT_THAT(Send(Key(1), "#PkOT|||||||"), ElementsAre("#P" + std::to_string(kot) + "-Kot-online|"));
  EXPECT_THAT(Send(Key(1), "#Pежи|||||||"_cp1251),
              ElementsAre("#P" + std::to_string(kot + 1) + "-Ёжик-offline|"_cp1251));
  EXPECT_THAT(Send(Key(1), "#P||||казань|||"_cp1251),
              ElementsAre("#P" + std::to_string(kot + 1) + "-Ёжик-offline|"_cp1251));
  EXPECT_THAT(Send(Key(1), "#P||||||" + std::to_string(kot + 1) + "|"),
              ElementsAre("#P" + std::to_string(kot + 1) + "-Ёжик-offline|"_cp1251));
  EXPECT_THAT(Send(Key(1), "#P||||||12ab|"), ElementsAre("#P"));
  EXPECT_THAT(Send(Key(1), "#PNobody|||||||"), ElementsAre("#P"));

  const Lines bots = Send(Key(1), "#PBOT|||||||");
  ASSERT_EQ(bots.size(), 1u);
  EXPECT_EQ(std::count(bots[0].begin(), bots[0].end(), '|'), 20);
  const Lines everyone = Send(Key(1), "#P|||||||");
  EXPECT_EQ(std::count(everyone[0].begin(), everyone[0].end(), '|'), 20);
  EXPECT_THAT(everyone[0], StartsWith("#P" + std::to_string(kot) + "-Kot-online|"));
}

TEST_F(ChatTest, LogoutAnswersEndAndForgetsTheSession) {
  const UserId kot = Register("Kot");
  Login(1, kot);
  EXPECT_THAT(Send(Key(1), "#D"), ElementsAre("#D"));
  EXPECT_EQ(chat_.online_count(), 0u);
  EXPECT_THAT(Send(Key(1), "#PING"), ElementsAre("#0"));
}

TEST_F(ChatTest, ASecondLoginEndsTheFirstClientWithoutAPresenceFlap) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  Login(1, kot);
  Login(2, yozh);
  Send(Key(2), "#PING");
  Send(Key(1), "#E1");

  Login(3, kot);
  EXPECT_THAT(Send(Key(1), "#PING"),
              ElementsAre("#-" + std::string("Вы вошли в OZL с другого компьютера."_cp1251), "#D"));
  EXPECT_THAT(Send(Key(1), "#PING"), ElementsAre("#0"));
  EXPECT_THAT(Send(Key(2), "#PING"), ElementsAre("#YU" + std::to_string(kot) + "-Kot-chat",
                                                 "#YU" + std::to_string(kot) + "-Kot-online"));
  EXPECT_EQ(chat_.online_count(), 2u);

  // The same client logging in again under its own session value stays online throughout.
  Login(3, kot);
  EXPECT_THAT(Send(Key(2), "#PING"), IsEmpty());
  // Another user who draws the same session value from the same address takes it over.
  Login(3, yozh);
  EXPECT_THAT(Send(Key(3), "#PING"), IsEmpty());
  EXPECT_EQ(chat_.online_count(), 1u);
}

TEST_F(ChatTest, TheCompanionSitsInTheChatAndAnswersWhatIsAddressedToIt) {
  const UserId kot = Register("Kot");
  const UserId yozh = Register("Yozh");
  const UserId echo = Register("Echo");
  chat_.SetCompanion(echo);
  const Lines login = Login(1, kot);
  EXPECT_THAT(login[1], HasSubstr(std::to_string(echo) + "-Echo-chat|"));
  EXPECT_THAT(Login(3, echo), ElementsAre("#-" + std::string("Неверный идентификатор или пароль."_cp1251)));
  EXPECT_THAT(Send(Key(1), "#S" + std::to_string(echo) + "|привет "_cp1251),
              ElementsAre("#S" + std::to_string(echo) + "|Kot|привет "_cp1251,
                          "#S" + std::to_string(echo) + "|Echo|Вы написали: привет "_cp1251));

  Login(2, yozh);
  Send(Key(2), "#E1");
  Send(Key(1), "#E1");
  Send(Key(2), "#PING");
  EXPECT_THAT(Send(Key(1), "#Cпривет, Echo"_cp1251), ElementsAre("#CKot|привет, Echo"_cp1251));
  EXPECT_THAT(Send(Key(1), "#C(для Yozh) (для Echo) как\tдела"_cp1251),
              ElementsAre("#CKot|(для Yozh) (для Echo) как дела"_cp1251, "#CEcho|(для Kot) как дела"_cp1251));
  EXPECT_THAT(Send(Key(2), "#PING"), ElementsAre("#CKot|привет, Echo"_cp1251,
                                                 "#CKot|(для Yozh) (для Echo) как дела"_cp1251,
                                                 "#CEcho|(для Kot) как дела"_cp1251));
  // The answers come out of Kot's own ration: with it spent he is heard and Echo is not.
  EXPECT_THAT(Send(Key(1), "#C(для Echo) ещё"_cp1251), ElementsAre("#CKot|(для Echo) ещё"_cp1251));
  EXPECT_THAT(Send(Key(1), "#C(для Echo) и ещё"_cp1251),
              ElementsAre("#-" + std::string("Не так часто, подождите немного."_cp1251)));
  EXPECT_THAT(Send(Key(2), "#PING"), ElementsAre("#CKot|(для Echo) ещё"_cp1251));
}

TEST_F(ChatTest, GuessedSessionValuesFindNoSessionAndGetOnlyARationOfRelogs) {
  const ChatLimits limits;
  // Five users behind one address, under session values of the re-login range.
  const std::string address = "10.0.0.1";
  std::vector<std::string> victims;
  for (int i = 0; i < 5; ++i) {
    victims.push_back(Chat::ClientKey(address, std::to_string(1000 + 13001 * i)));
    Send(victims.back(), "#A" + std::to_string(Register("User" + std::to_string(i))) + "|pw");
  }
  std::mt19937 random(2002);
  std::uniform_int_distribution<int> session(0, 65534);
  const Clock::time_point started = now_;
  int relogs = 0;
  int refused = 0;
  for (int i = 0; i < 100000; ++i) {
    now_ += std::chrono::milliseconds(1);
    const Answer answer = Run(Chat::ClientKey(address, std::to_string(session(random))), "#I10001");
    ASSERT_EQ(answer.body.find("#I"), std::string::npos) << "guess " << i << " found a session";
    relogs += answer.body == "#0\r\n";
    refused += answer.too_many_requests;
  }
  std::cout << "100000 guesses from one address: " << relogs << " \"#0\", " << refused << " refused\n";
  EXPECT_LE(relogs, limits.unknown_sessions.burst + (now_ - started) / limits.unknown_sessions.interval);
  EXPECT_TRUE(Run(victims[0], "#PING").too_many_requests) << "while the guessing goes on, nothing is looked up";
  now_ += limits.unknown_sessions.interval;
  EXPECT_FALSE(Run(victims[0], "#PING").too_many_requests);
}

TEST_F(ChatTest, FailedLoginsAreRationedPerUserAndPerAddress) {
  const ChatLimits limits;
  const std::string wrong = "#-" + std::string("Неверный идентификатор или пароль."_cp1251);
  const std::string too_many = "#-" + std::string("Слишком много неудачных попыток входа. Попробуйте позже."_cp1251);
  const UserId kot = Register("Kot");

  // One password guessed from ten thousand addresses.
  int checked = 0;
  for (int i = 0; i < 10000; ++i) {
    const std::string address = "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256);
    const Lines answer = Send(Chat::ClientKey(address, "1"), "#A" + std::to_string(kot) + "|guess" + std::to_string(i));
    ASSERT_EQ(answer.size(), 1u);
    if (answer[0] == wrong) {
      ++checked;
    } else {
      ASSERT_EQ(answer[0], too_many);
    }
  }
  EXPECT_EQ(checked, limits.failed_logins_per_user.burst);
  EXPECT_THAT(Login(1, kot), ElementsAre(too_many)) << "the right password is not even checked";
  now_ += limits.failed_logins_per_user.interval;
  EXPECT_THAT(Login(1, kot)[0], StartsWith("#A"));
  EXPECT_THAT(Login(1, kot)[0], StartsWith("#A")) << "a login that succeeds costs nothing";

  // One address trying many users, unknown ones included.
  for (int i = 0; i < limits.failed_logins_per_address.burst; ++i) {
    EXPECT_THAT(Send(Key(7), "#A" + std::to_string(20000 + i) + "|pw"), ElementsAre(wrong));
  }
  EXPECT_THAT(Login(7, kot), ElementsAre(too_many));
  now_ += limits.failed_logins_per_address.interval;
  EXPECT_THAT(Login(7, kot)[0], StartsWith("#A"));
}

TEST_F(ChatTest, ACorrectClientsTrafficNeverMeetsALimit) {
  // Thirty users behind one address log in at once, every fifth after mistyping three times;
  // they poll every ten seconds; a network outage ends their sessions, and each logs in again
  // after its "#0".
  const std::string too_many_logins = std::string("Слишком много неудачных попыток"_cp1251);
  const std::string too_often = std::string("Не так часто"_cp1251);
  int limited = 0;
  const auto send = [&](int user, int login, std::string_view command) {
    const Answer answer = Run(Chat::ClientKey("10.9.9.9", std::to_string(user * 100 + login)), command);
    chat_.Delivered(answer.stored_messages);
    if (answer.too_many_requests || answer.body.find(too_many_logins) != std::string::npos ||
        answer.body.find(too_often) != std::string::npos) {
      ++limited;
    }
    return answer.Whole();
  };
  std::vector<std::string> ids;
  for (int user = 0; user < 30; ++user) ids.push_back(std::to_string(Register("User" + std::to_string(user))));
  for (int user = 0; user < 30; ++user) {
    for (int typo = 0; user % 5 == 0 && typo < 3; ++typo) send(user, 0, "#A" + ids[user] + "|wp");
    send(user, 0, "#A" + ids[user] + "|pw");
  }
  for (int poll = 0; poll < 30; ++poll) {
    now_ += std::chrono::seconds(10);
    for (int user = 0; user < 30; ++user) send(user, 0, poll == 5 && user < 10 ? "#E1" : "#PING");
    chat_.ExpireIdle(now_);
  }
  Wait(std::chrono::seconds(60));
  for (int user = 0; user < 30; ++user) {
    EXPECT_EQ(send(user, 0, "#PING"), "#0\r\n");
    send(user, 1, "#A" + ids[user] + "|pw");
    send(user, 1, "#PING");
  }
  EXPECT_EQ(limited, 0);
  EXPECT_EQ(chat_.online_count(), 30u);
}

}  // namespace
}  // namespace ozl::server
