#include "logic/dispatcher.h"

#include <gtest/gtest.h>

#include "fake_world.h"
#include "protocol/response.h"
#include "text/cp1251.h"

namespace ozl::protocol {
namespace {

using Strings = std::vector<std::string>;
using Row = std::vector<std::string>;

std::string Text(std::string_view cp1251) { return std::string(cp1251); }

class DispatcherTest : public testing::Test {
 protected:
  fakes::FakeWorld world;

  void ReceiveBody(std::string_view body) {
    for (const std::string& line : SplitBody(body)) world.Receive(line);
  }
  Row ShownRow(const lists::ListTable& table, std::size_t row) {
    Row cells;
    for (std::size_t column = 0; column < lists::kShownColumns; ++column) cells.emplace_back(table.Cell(row, column));
    return cells;
  }
};

TEST_F(DispatcherTest, LoginStoresTheNicksAndMovesTheUserToTheListWindow) {
  world.login.password_text = "secret";
  world.Receive("#AКот|Котик\n"_cp1251);
  EXPECT_EQ(world.state.chat_nick, "Кот"_cp1251);
  EXPECT_EQ(world.state.own_nick, "Котик"_cp1251);
  EXPECT_EQ(world.state.chat_password, "secret");
  EXPECT_EQ(world.events, (Strings{Text("caption Котик"_cp1251), "hide login", "hide registration", "show list",
                                   "navigate http://chat.example/ozl", "play sound/onenter.wav"}));

  world.events.clear();
  world.Receive("#Akot-without-bar\n");
  EXPECT_TRUE(world.events.empty());
  EXPECT_EQ(world.state.own_nick, "Котик"_cp1251);
}

TEST_F(DispatcherTest, RegistrationAnswerNamesTheIdAndFillsTheLoginFields) {
  world.registration.chat_nick_text = "kot_chat";
  world.registration.password_text = "pw";
  world.Receive("#R12345\n");
  EXPECT_EQ(world.events, (Strings{Text("notice Вам присвоен идентификатор: 12345"_cp1251), "show login",
                                   "hide registration", "login id 12345", "login password pw",
                                   "play sound/onregistry.wav"}));
  EXPECT_EQ(world.state.chat_nick, "kot_chat");
  EXPECT_EQ(world.state.chat_password, "pw");
}

TEST_F(DispatcherTest, TwoMessagesFromANewCorrespondentShareOneWindow) {
  world.state.own_nick = "Me";
  ReceiveBody("#S12345|Kot|Привет!\r\n#S12345|Kot|a|b\r\n"_cp1251);

  EXPECT_EQ(world.events, (Strings{"play sound/onprivat.wav", "animate tray", "open 12345 Kot", "top 12345",
                                   "play sound/onprivat.wav", "animate tray", "top 12345"}));
  ASSERT_EQ(world.composers.ComposerCount(), 1u);
  EXPECT_EQ(world.Composer("12345")->received, (Strings{Text("Kot >> Привет!"_cp1251), "Kot >> a|b"}));
  EXPECT_EQ(world.state.selected_nick, "Kot");

  const std::string& file = world.files.files.at("HISTORY\\12345.htm");
  EXPECT_TRUE(file.starts_with("<HTML>"));
  EXPECT_LT(file.find("#EDEAE1"), file.find("\xCF\xF0\xE8\xE2\xE5\xF2!"));
  EXPECT_LT(file.find("\xCF\xF0\xE8\xE2\xE5\xF2!"), file.find("#FDFAF1"));
  EXPECT_NE(file.find("a|b</div>"), std::string::npos);

  // A window closed and a message again: a new window and a dark row once more.
  world.composers.Close(1);
  world.Receive("#S12345|Kot|back\n");
  EXPECT_EQ(world.composers.ComposerCount(), 1u);
  EXPECT_TRUE(world.files.files.at("HISTORY\\12345.htm").ends_with(
      "<td bgcolor=#EDEAE1 colspan=2><div align=justify>back</div></td></tr></table>"));
}

TEST_F(DispatcherTest, OwnMessagesComeWithoutSoundOrAnimationButAreShownAndKept) {
  world.state.own_nick = "Me";
  world.Receive("#S777|Me|my own words\n");
  EXPECT_EQ(world.events, (Strings{"open 777 Me", "top 777"}));
  EXPECT_EQ(world.Composer("777")->received, (Strings{"Me >> my own words"}));
  EXPECT_TRUE(world.files.files.contains("HISTORY\\777.htm"));
}

TEST_F(DispatcherTest, LogInAgainTwiceSendsTwoLoginsEachWithItsOwnSession) {
  world.login.id_text = "12345";
  world.login.password_text = "pw";
  ReceiveBody("#0\n#0\n");
  EXPECT_EQ(world.events, (Strings{"session 1000", "send direct #A12345|pw", "session 1001",
                                   "send direct #A12345|pw"}));

  // Session numbers stay below 65535: a word past the last whole multiple is drawn again.
  world.events.clear();
  world.next_random_word = 0xFFFFFFFF;
  world.Receive("#0\n");
  EXPECT_EQ(world.events.front(), "session 0");
}

TEST_F(DispatcherTest, FullListsLoadTheOnlineTableMergeContactsAndStartPolling) {
  world.lists.UpdateKontakt("9-Old-online");
  world.Receive("#U12345-Kot-online|23456-Zayka-chat|~23456-Zayka-chat|34567-Yozh-offline|tail\n");
  EXPECT_EQ(world.events, (Strings{"start polling"}));
  EXPECT_EQ(world.lists.Online().RowCount(), 2u);
  EXPECT_EQ(ShownRow(world.lists.Online(), 1), (Row{"23456", "Zayka", "chat"}));
  EXPECT_EQ(world.lists.Contacts().RowCount(), 3u);
  EXPECT_EQ(ShownRow(world.lists.Contacts(), 2), (Row{"34567", "Yozh", "offline"}));
  EXPECT_TRUE(world.lists.ChatList().empty());

  world.Receive("#U1-a-online|\n");
  EXPECT_EQ(world.lists.Online().RowCount(), 1u);
  EXPECT_EQ(world.lists.Contacts().RowCount(), 3u);

  world.Receive("#YU34567-Yozh-chat\n");
  EXPECT_EQ(world.lists.ChatList(), (Strings{"Yozh"}));
  world.Receive("#YU34567-Yozh-offline\n");
  EXPECT_EQ(world.lists.Online().RowCount(), 1u);
  EXPECT_TRUE(world.lists.ChatList().empty());
}

TEST_F(DispatcherTest, ContactLinesAddChangeAndRemoveContacts) {
  world.Receive("#K112345-Kot-online\n");
  world.Receive("#YK12345-Kot-chat\n");
  world.Receive("#K123456-Zayka-offline\n");
  EXPECT_EQ(ShownRow(world.lists.Contacts(), 0), (Row{"12345", "Kot", "chat"}));
  world.Receive("#K012345\n");
  EXPECT_EQ(world.lists.Contacts().RowCount(), 1u);
  EXPECT_EQ(ShownRow(world.lists.Contacts(), 0), (Row{"23456", "Zayka", "offline"}));
}

TEST_F(DispatcherTest, SearchAnswerFillsTheGridWithOneRowPerEntry) {
  world.Receive("#P12345-Kot-online|34567-Yozh-offline|\n");
  EXPECT_EQ(world.search_results.RowCount(), 2u);
  EXPECT_EQ(ShownRow(world.search_results, 0), (Row{"12345", "Kot", "online"}));
  EXPECT_EQ(ShownRow(world.search_results, 1), (Row{"34567", "Yozh", "offline"}));
  world.Receive("#P\n");
  EXPECT_EQ(world.search_results.RowCount(), 1u);
  EXPECT_EQ(ShownRow(world.search_results, 0), (Row{"", "", ""}));
}

TEST_F(DispatcherTest, UserInfoIsShownWithMissingFieldsEmpty) {
  world.Receive("#IKot|Иван|Иванов|Иванович|Казань|kot|м|Люблю чай|online\n"_cp1251);
  world.Receive("#IKot|Ivan\n");
  ASSERT_EQ(world.user_info.shown.size(), 2u);
  EXPECT_EQ(world.user_info.shown[0].about, "Люблю чай"_cp1251);
  EXPECT_EQ(world.user_info.shown[0].status, "online");
  EXPECT_EQ(world.user_info.shown[1].first_name, "Ivan");
  EXPECT_EQ(world.user_info.shown[1].about, "");
  EXPECT_EQ(world.user_info.shown[1].status, "");
}

TEST_F(DispatcherTest, ChatLinesNoticesAndTheEnd) {
  world.Receive("#CKot|Всем привет!\n"_cp1251);
  EXPECT_EQ(world.chat.lines, (Strings{Text("Kot >> Всем привет!"_cp1251)}));
  world.Receive("#-\n");
  world.Receive("#-Server restarts\n");
  world.Receive("#PING\n");
  world.Receive("#E1\n");
  world.Receive("#D\n");
  EXPECT_EQ(world.events, (Strings{"play sound/Beep.wav", "notice ", "play sound/Beep.wav",
                                   "notice Server restarts", "close main window"}));
}

TEST_F(DispatcherTest, AnIdThatIsNoPlainNumberNeverReachesTheFiles) {
  for (const char* line : {"#S..\\..\\x|Kot|hi\n", "#S../x|Kot|hi\n", "#S1/2|Kot|hi\n", "#S|Kot|hi\n",
                           "#S1x|Kot|hi\n", "#S12345|Kot\n", "#S12345\n"}) {
    world.Receive(line);
  }
  EXPECT_TRUE(world.events.empty());
  EXPECT_TRUE(world.files.files.empty());
  EXPECT_TRUE(world.files.folders.empty());
  EXPECT_EQ(world.composers.ComposerCount(), 0u);
}

TEST_F(DispatcherTest, HistoryIsWrittenEscapedIntoAFolderMadeWhenMissing) {
  world.Receive("#S5|<b>|<script>\"&\"</script>\n");
  EXPECT_TRUE(world.files.folders.contains("HISTORY"));
  const std::string& file = world.files.files.at("HISTORY\\5.htm");
  EXPECT_NE(file.find("<b>&lt;b&gt;</b>"), std::string::npos);
  EXPECT_NE(file.find("&lt;script&gt;&quot;&amp;&quot;&lt;/script&gt;"), std::string::npos);
  EXPECT_EQ(file.find("<script>"), std::string::npos);
  // The window shows the text as it came.
  EXPECT_EQ(world.Composer("5")->received, (Strings{"<b> >> <script>\"&\"</script>"}));
}

TEST_F(DispatcherTest, AFailedHistoryWriteLosesNoMessageAndIsReported) {
  world.files.refuse_writes = true;
  world.state.own_nick = "Me";
  ReceiveBody("#S5|Kot|first\n#S5|Kot|second\n#CKot|later lines still count\n");
  EXPECT_EQ(world.Composer("5")->received, (Strings{"Kot >> first", "Kot >> second"}));
  EXPECT_EQ(world.events, (Strings{"play sound/onprivat.wav", "animate tray", "open 5 Kot", "top 5",
                                   "error Cannot create the folder HISTORY", "play sound/onprivat.wav",
                                   "animate tray", "top 5", "error Cannot create the folder HISTORY"}));
  EXPECT_EQ(world.chat.lines.size(), 1u);
}

TEST_F(DispatcherTest, AHistoryFileIsOnlyAppendedToEvenWhenItsExistenceCheckFails) {
  world.state.own_nick = "Me";
  world.Receive("#S5|Kot|first\n");
  world.files.existence_check_fails = true;
  world.Receive("#S5|Kot|second\n");
  const std::string& file = world.files.files.at("HISTORY\\5.htm");
  EXPECT_TRUE(file.starts_with(HistoryHeader()));
  EXPECT_LT(file.find("first"), file.find("second"));
  EXPECT_EQ(file.find(HistoryHeader(), 1), std::string::npos);
}

TEST_F(DispatcherTest, AMessageWhoseWindowCannotBeMadeIsInTheHistory) {
  world.message_windows.fail = true;
  world.Receive("#S5|Kot|kept\n");
  EXPECT_NE(world.files.files.at("HISTORY\\5.htm").find("kept"), std::string::npos);
  EXPECT_EQ(world.events.back(), "error Error creating window");
}

TEST_F(DispatcherTest, ARefusedMessageOrChatLineGoesBackWhereItWasTyped) {
  const std::string message_back = Text("notice Сообщение не доставлено:\r\nсервер его не принял.\r\nТекст возвращён в окно привата."_cp1251);
  world.Receive("#S5|Kot|hi\n");
  world.events.clear();
  world.dispatcher.CommandRefused("#S5|typed text ");
  EXPECT_EQ(world.Composer("5")->unsent, Strings{"typed text"});
  EXPECT_EQ(world.events, (Strings{"top 5", message_back}));

  // The window was closed since: it opens again with the text.
  world.composers.Close(1);
  world.events.clear();
  world.dispatcher.CommandRefused("#S7|more ");
  EXPECT_EQ(world.Composer("7")->unsent, Strings{"more"});
  EXPECT_EQ(world.events, (Strings{"open 7 7", "top 7", message_back}));

  world.events.clear();
  world.dispatcher.CommandRefused("#Chello all");
  EXPECT_EQ(world.chat.unsent, Strings{"hello all"});
  world.dispatcher.CommandRefused("#K112");
  EXPECT_EQ(world.events, (Strings{Text("notice Строка не доставлена в общий чат:\r\nсервер её не принял.\r\nОна возвращена в поле ввода."_cp1251),
                                   Text("notice Сервер не принял команду:\r\nдействие не выполнено."_cp1251)}));
}

TEST_F(DispatcherTest, WithEverySlotInUseANewCorrespondentIsKeptInTheHistoryAndNoticed) {
  world.state.own_nick = "Me";
  for (std::size_t n = 1; n <= conversations::kComposerSlots; ++n) {
    world.Receive("#S" + std::to_string(n) + "|Me|hi\n");
  }
  ASSERT_TRUE(world.composers.Full());
  world.events.clear();

  world.Receive("#S999|Kot|one too many\n");
  EXPECT_EQ(world.composers.ComposerCount(), conversations::kComposerSlots);
  EXPECT_EQ(world.Composer("999"), nullptr);
  EXPECT_NE(world.files.files.at("HISTORY\\999.htm").find("one too many"), std::string::npos);
  ASSERT_EQ(world.events.size(), 3u);
  EXPECT_EQ(world.events[2],
            Text("notice Слишком много открытых окон привата. Сообщение от Kot сохранено в History."_cp1251));

  // An open window still gets its messages.
  world.Receive("#S256|Kot|still here\n");
  EXPECT_EQ(world.Composer("256")->received.back(), "Kot >> still here");
}

TEST_F(DispatcherTest, NoLineOfAnyLengthOrBytesCanHurt) {
  world.state.own_nick = "Me";
  const std::string codes[] = {"#R", "#A", "#C", "#U", "#P", "#I", "#YK", "#YU", "#K1", "#K0",
                               "#0", "#-", "#D", "#S", "#", ""};
  std::string every_byte;
  for (int byte = 0; byte < 256; ++byte) every_byte.push_back(static_cast<char>(byte));
  const std::string long_text(1 << 20, 'x');
  const std::string many_separators(1 << 16, '-');
  for (const std::string& code : codes) {
    for (const std::string& rest : {every_byte, long_text, many_separators + "|" + many_separators,
                                    std::string("|||~~~---"), std::string(1 << 12, '|')}) {
      world.Receive(code + rest);
      world.Receive(code + rest + "\n");
    }
  }
  EXPECT_LE(world.lists.Online().RowCount(), lists::kDefaultRowLimit);
  EXPECT_EQ(world.composers.ComposerCount(), 0u);
}

}  // namespace
}  // namespace ozl::protocol
