#include <filesystem>
#include <fstream>
#include <sstream>

#include "windows/chat_form.h"
#include "windows/send_form.h"
#include "windows/user_info_form.h"
#include "platform/text.h"
#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

class DispatcherWindowsTest : public ProgramTest {
 protected:
  ~DispatcherWindowsTest() override {
    for (const std::string& id : ids_used) std::filesystem::remove("HISTORY/" + id + ".htm");
  }

  // Ids of this run, so that history files of earlier runs do not count.
  std::string NewId() {
    ids_used.push_back(std::to_string(700000 + GetCurrentProcessId() % 1000 * 100 + ids_used.size()));
    return ids_used.back();
  }

  static TSendForm* Composer(const std::string& id) {
    const HWND window = FindWindowW(nullptr, platform::Widen(id).c_str());
    return dynamic_cast<TSendForm*>(platform::Window::FromHandle(window));
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  std::vector<std::string> ids_used;
};

TEST_F(DispatcherWindowsTest, TwoMessagesFromANewCorrespondentOpenOneWindow) {
  const std::string id = NewId();
  ServerSays("#S" + id + "|Kot|" + std::string("Привет!"_cp1251) + "\r\n#S" + id + "|Kot|second\r\n");
  ASSERT_EQ(program->ComposerTable.ComposerCount(), 1u);
  TSendForm* window = Composer(id);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->visible());
  EXPECT_EQ(window->Lsendname.caption(), "Приват с Kot"_cp1251);
  EXPECT_EQ(window->Mreceive.Lines(), (Strings{"Kot >> " + std::string("Привет!"_cp1251), "Kot >> second"}));
  EXPECT_EQ(sounds.back(), "play sound/onprivat.wav");
  EXPECT_TRUE(session().RxTrayIcon1.animating());

  // Both rows are in the correspondent's history: the first dark, the second light.
  const std::string history = ReadFile("HISTORY/" + id + ".htm");
  EXPECT_EQ(history.find("<HTML><HEAD>"), 0u);
  EXPECT_LT(history.find("#EDEAE1"), history.find("#FDFAF1"));
  EXPECT_NE(history.find("Привет!"_cp1251), std::string::npos);
}

TEST_F(DispatcherWindowsTest, AVeryLongLineIsShownCutAndKeptWholeInTheHistory) {
  const std::string id = NewId();
  const std::string text(1 << 20, 'w');
  ServerSays("#CKot|" + text + "\n#S" + id + "|Kot|" + text + "\n");
  const std::string shown = ("Kot >> " + text).substr(0, platform::Memo::kLongestShownLine) + "\x85";
  EXPECT_EQ(program->ChatForm->Memo1.Lines().back(), shown);
  ASSERT_NE(Composer(id), nullptr);
  EXPECT_EQ(Composer(id)->Mreceive.Lines().back(), shown);
  EXPECT_NE(ReadFile("HISTORY/" + id + ".htm").find(text), std::string::npos);
}

TEST_F(DispatcherWindowsTest, ClosingTheFirstOfThreeWindowsKeepsTheOthersFindable) {
  const std::string first = NewId(), second = NewId(), third = NewId();
  ServerSays("#S" + first + "|a|1\n#S" + second + "|b|2\n#S" + third + "|c|3\n");
  ASSERT_EQ(program->ComposerTable.ComposerCount(), 3u);

  Composer(first)->Bcloseclick();
  platform::PumpWaitingMessages();
  EXPECT_EQ(Composer(first), nullptr);
  EXPECT_EQ(program->ComposerTable.ComposerCount(), 2u);
  ASSERT_NE(Composer(second), nullptr);
  ASSERT_NE(Composer(third), nullptr);
  EXPECT_EQ(Composer(third)->Slot(), 1u);

  // A message for the third correspondent still reaches its window, as a light row.
  ServerSays("#S" + third + "|c|again\n");
  EXPECT_EQ(Composer(third)->Mreceive.Lines(), (Strings{"c >> 3", "c >> again"}));
  EXPECT_EQ(program->ComposerTable.ComposerCount(), 2u);

  // The caption button closes like the close button.
  Click(Composer(second)->Psystemmenu.hwnd(), 20 + 7, 6);
  EXPECT_EQ(Composer(second), nullptr);
  EXPECT_EQ(program->ComposerTable.ComposerCount(), 1u);
}

TEST_F(DispatcherWindowsTest, SendingJoinsTheLinesAndStopsTheAlert) {
  const std::string id = NewId();
  ServerSays("#S" + id + "|Kot|hi\n");
  TSendForm& window = *Composer(id);
  // Text pasted from elsewhere may break its lines with a lone LF or CR.
  for (const char* typed : {"first line\r\nsecond | line", "first line\nsecond | line", "first line\rsecond | line"}) {
    window.Msend.SetText(typed);
    Click(window.Psend.hwnd(), 60, 9);
    EXPECT_EQ(connector.sent.back().Data(), "#S" + id + "|first line second | line ");
    EXPECT_EQ(window.Msend.Text(), "");
    CommandsSent();
  }
  EXPECT_FALSE(session().RxTrayIcon1.animating());
  // What the user sent is not shown until the server sends it back.
  EXPECT_EQ(window.Mreceive.Lines(), (Strings{"Kot >> hi"}));
}

TEST_F(DispatcherWindowsTest, AMessageTheServerRefusesComesBackWithANotice) {
  const std::string id = NewId();
  ServerSays("#S" + id + "|Kot|hi\n");
  TSendForm& window = *Composer(id);
  CommandsSent();
  window.Msend.SetText("not for the server");
  Click(window.Psend.hwnd(), 60, 9);
  window.Msend.SetText("typed since");
  session().transport().Completed(connector.sent.back().id, "HTTP/1.0 400 Bad Request\r\n\r\n");
  platform::PumpWaitingMessages();
  EXPECT_EQ(window.Msend.Text(), "not for the server\r\ntyped since");
  EXPECT_TRUE(info().visible());
  EXPECT_EQ(info().Linfo.caption(),
            "Сообщение не доставлено:\r\nсервер его не принял.\r\nТекст возвращён в окно привата."_cp1251);
}

TEST_F(DispatcherWindowsTest, OwnMessagesComeWithoutAnAlert) {
  ServerSays("#Akot|Kot\n");
  sounds.clear();
  const std::string id = NewId();
  ServerSays("#S" + id + "|Kot|echoed\n");
  EXPECT_TRUE(sounds.empty());
  EXPECT_FALSE(session().RxTrayIcon1.animating());
  EXPECT_EQ(Composer(id)->Mreceive.Lines(), (Strings{"Kot >> echoed"}));
}

TEST_F(DispatcherWindowsTest, AnIdThatIsNoNumberNeverBecomesAFileName) {
  ServerSays("#S..\\..\\evil|Kot|boo\n");
  EXPECT_EQ(program->ComposerTable.ComposerCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists("evil.htm"));
  EXPECT_FALSE(std::filesystem::exists("../evil.htm"));
}

TEST_F(DispatcherWindowsTest, LoginAnswerHidesTheLoginWindowAndTheListsStartThePoll) {
  ServerSays("#Akot|Kot\r\n");
  EXPECT_FALSE(start().visible());
  EXPECT_EQ(program->state.own_nick, "Kot");
  EXPECT_EQ(sounds.back(), "play sound/onenter.wav");
  EXPECT_FALSE(session().Timer1.enabled());
  ServerSays("#U1-a-online|2-b-chat|~3-c-offline|\r\n");
  EXPECT_TRUE(session().Timer1.enabled());
  EXPECT_EQ(program->lists.Online().RowCount(), 2u);
  EXPECT_EQ(program->lists.Contacts().Cell(0, 1), "c");
}

TEST_F(DispatcherWindowsTest, UserInformationFillsItsWindow) {
  ServerSays("#IKot|" + std::string("Иван|Иванов|Иванович|Казань|kot|м||online"_cp1251) + "\n");
  TUserInfoForm& window = *program->UserInfoForm;
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.Label10.caption(), "Kot");
  EXPECT_EQ(window.Label14.caption(), "Казань"_cp1251);
  EXPECT_EQ(window.Label16.caption(), "м"_cp1251);
  EXPECT_EQ(window.Memo1.Lines(), Strings{""});
  EXPECT_EQ(window.Label18.caption(), "online");
  Click(window.Psystemmenu.hwnd(), 27, 6);
  EXPECT_FALSE(window.visible());

  // A longer text wraps at words in the narrow field and is shown from its first line.
  ServerSays("#IKot|||||||" + std::string("Демонстрационная учётная запись, которую видит каждый"_cp1251) + "|online\n");
  EXPECT_EQ(SendMessageW(window.Memo1.hwnd(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_GT(SendMessageW(window.Memo1.hwnd(), EM_GETLINECOUNT, 0, 0), 3);
}

TEST_F(DispatcherWindowsTest, ServerNoticesAndTheEnd) {
  ServerSays("#-" + std::string("Неверный пароль"_cp1251) + "\n");
  EXPECT_EQ(info().Linfo.caption(), "Неверный пароль"_cp1251);
  EXPECT_EQ(sounds.back(), "play sound/Beep.wav");

  ServerSays("#D\n#-after the end\n");
  EXPECT_FALSE(IsWindow(start().hwnd()));
  EXPECT_EQ(info().Linfo.caption(), "Неверный пароль"_cp1251);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(DispatcherWindowsTest, ALoginAgainGoesStraightOutWithANewSession) {
  start().CEid.SetText("10001");
  start().CEpassword.SetText("pw");
  ServerSays("#0\n#0\n");
  ASSERT_EQ(connector.sent.size(), 2u);  // the poll, then the first re-login; the second waits
  EXPECT_EQ(connector.sent[1].Data(), "#A10001|pw");
  EXPECT_LT(std::stoul(connector.sent[1].Session()), 65535u);
  session().transport().Completed(connector.sent[1].id, "HTTP/1.0 200 OK\r\n\r\n");
  ASSERT_EQ(connector.sent.size(), 3u);
  EXPECT_EQ(connector.sent[2].Data(), "#A10001|pw");
}

}  // namespace
}  // namespace ozl
