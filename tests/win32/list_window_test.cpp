#include <algorithm>
#include <string>
#include <vector>

#include "windows/chat_form.h"
#include "windows/list_form.h"
#include "windows/registry_form.h"
#include "windows/send_form.h"
#include "platform/text.h"
#include "program_fixture.h"
#include "platform/skinned_form.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

class ListWindowTest : public ProgramTest {
 protected:
  TListForm& list() { return *program->ListForm; }
  TChatForm& chat() { return *program->ChatForm; }

  void LogIn() {
    ServerSays("#Akot|Kot\r\n#U10-a-online|20-b-chat|30-c-offline|~40-d-online|\r\n");
    CommandsSent();
  }

  // The middle of a row's nick cell, in the grid's client coordinates.
  static POINT RowPoint(std::size_t row) { return {60, static_cast<LONG>(row) * 25 + 12}; }

  static void PointerAt(const platform::StringGrid& grid, POINT at) {
    SendMessageW(grid.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  }

  // A right click: the pointer goes to the point and the grid is asked for its menu there.
  void RightClick(const platform::StringGrid& grid, POINT at) {
    PointerAt(grid, at);
    POINT screen = at;
    ClientToScreen(grid.hwnd(), &screen);
    SendMessageW(grid.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid.hwnd()),
                 MAKELPARAM(screen.x, screen.y));
    platform::PumpWaitingMessages();
  }

  static bool IsOpaque(const platform::Bitmap& skin, int x, int y) {
    const skin::Rgb colour = skin.picture().At(x, y);
    return RGB(colour.red, colour.green, colour.blue) != skin::kSkinTransparent;
  }
};

TEST_F(ListWindowTest, DocksAtTheRightEdgeWithTheWorkAreasHeightShapedByItsRegionText) {
  EXPECT_FALSE(list().visible());
  LogIn();
  ASSERT_TRUE(list().visible());
  EXPECT_EQ(list().Text(), "Kot");
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame{};
  GetWindowRect(list().hwnd(), &frame);
  EXPECT_EQ(frame.right, work.right);
  EXPECT_EQ(frame.top, work.top);
  EXPECT_EQ(frame.bottom - frame.top, work.bottom - work.top);
  EXPECT_EQ(frame.right - frame.left, 180);

  // The outline, point by point: the top skin at the top, the bottom skin at the bottom, and the
  // rectangle between them down to a task bar's height above the screen's bottom.
  const platform::Bitmap& top = list().top_picture;
  const platform::Bitmap& bottom = list().bottom_picture;
  const int height = frame.bottom - frame.top;
  const int bottom_top = height - bottom.height();
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(list().hwnd(), outline), ERROR);
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 180; ++x) {
      const bool expected = (y < top.height() && IsOpaque(top, x, y)) ||
                            (y >= 44 && y < list().S - 28) ||
                            (y >= bottom_top && IsOpaque(bottom, x, y - bottom_top));
      if (expected != (PtInRegion(outline, x, y) != FALSE) && ++wrong <= 5) {
        ADD_FAILURE() << "point " << x << "," << y << " should be " << (expected ? "inside" : "outside");
      }
    }
  }
  DeleteObject(outline);
  EXPECT_EQ(wrong, 0);
}

TEST_F(ListWindowTest, RowMenusActOnTheRowUnderThePointerNotTheSelectedOne) {
  LogIn();
  // The contact menu starts with its design captions.
  RightClick(list().SGkontakt, RowPoint(5));
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].captions, (Strings{"1", "2", "3", "", std::string("Просмотреть History"_cp1251)}));

  SendMessageW(list().SGonline.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 12));
  SendMessageW(list().SGonline.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(60, 12));
  popup_choice = 2;
  RightClick(list().SGonline, RowPoint(2));
  EXPECT_EQ(menus.back().captions, (Strings{std::string("Написать пользователю c"_cp1251),
                                            std::string("Просмотреть информацию о c"_cp1251),
                                            std::string("Добавить c в контакт-лист"_cp1251)}));
  EXPECT_EQ(CommandsSent(), Strings{"#I30"});
  EXPECT_EQ(list().SGonline.SelectionFirst(), 0u);
  EXPECT_EQ(program->state.selected_nick, "c");

  // Below the last row the menu opens as it was and acts on the same row.
  popup_choice = 3;
  RightClick(list().SGonline, RowPoint(7));
  EXPECT_EQ(menus.back().captions[2], "Добавить c в контакт-лист"_cp1251);
  EXPECT_EQ(CommandsSent(), Strings{"#K130"});

  // A double-click opens the menu at the window's corner plus the pointer in the grid.
  popup_choice = 0;
  PointerAt(list().SGonline, RowPoint(1));
  SendMessageW(list().SGonline.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 37));
  RECT frame{};
  GetWindowRect(list().hwnd(), &frame);
  EXPECT_EQ(menus.back().at.x, frame.left + 60);
  EXPECT_EQ(menus.back().at.y, frame.top + 37);
  EXPECT_EQ(menus.back().captions[0], "Написать пользователю b"_cp1251);

  // A row whose id is no number reports the conversion and keeps the menu closed.
  ServerSays("#YUx1-bad-online\r\n");
  const std::size_t opened = menus.size();
  RightClick(list().SGonline, RowPoint(3));
  EXPECT_EQ(menus.size(), opened);
  EXPECT_EQ(errors, Strings{"'x1' is not a valid integer value"});
}

TEST_F(ListWindowTest, TheGridScrollsByItsBarTheWheelAndTheKeys) {
  std::string online = "#Akot|Kot\r\n#U";
  for (int user = 0; user < 500; ++user) online += std::to_string(1000 + user) + "-u" + std::to_string(user) + "-online|";
  ServerSays(online + "~\r\n");
  platform::StringGrid& grid = list().SGonline;
  const HWND window = grid.hwnd();
  const RECT bar = grid.ScrollBarRect();
  ASSERT_FALSE(IsRectEmpty(&bar));
  const LONG middle = (bar.left + bar.right) / 2;
  RECT client{};
  GetClientRect(window, &client);
  const std::size_t whole = static_cast<std::size_t>(client.bottom + 1) / 25;
  const auto press = [window](LONG x, LONG y) {
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  };

  press(middle, bar.bottom - 3);  // the lower arrow
  EXPECT_EQ(grid.TopRow(), 1u);
  press(middle, bar.bottom - 40);  // the track below the thumb
  EXPECT_EQ(grid.TopRow(), 1u + whole);
  SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(grid.TopRow(), 1u + whole - 3);

  // Home goes to the top, where the thumb stands just below the upper arrow; dragged to the
  // bottom it shows the last rows. End selects the last row.
  SendMessageW(window, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(grid.TopRow(), 0u);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle, bar.top + 20));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(middle, bar.bottom + 50));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(middle, bar.bottom + 50));
  EXPECT_EQ(grid.TopRow(), 500u - whole);
  SendMessageW(window, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(grid.SelectionFirst(), 499u);
  EXPECT_EQ(grid.TopRow(), 500u - whole);
  // The bar is no cell: a press on it selects nothing and its menu acts on no row.
  EXPECT_EQ(grid.CellAt({middle, 5}), std::nullopt);
}

TEST_F(ListWindowTest, ASecondComposerForTheSameIdShowsTheNoticeAndLeavesTheFirst) {
  LogIn();
  popup_choice = 1;
  RightClick(list().SGonline, RowPoint(1));
  const HWND first = FindWindowW(nullptr, L"20");
  ASSERT_NE(first, nullptr);
  auto* composer = dynamic_cast<TSendForm*>(platform::Window::FromHandle(first));
  ASSERT_NE(composer, nullptr);
  EXPECT_EQ(composer->Lsendname.caption(), "Приват с b"_cp1251);
  RECT before{};
  GetWindowRect(first, &before);

  RightClick(list().SGonline, RowPoint(1));
  EXPECT_EQ(info().Linfo.caption(), "    Окно привата уже открыто."_cp1251);
  EXPECT_EQ(program->ComposerTable.ComposerCount(), 1u);
  EXPECT_EQ(FindWindowW(nullptr, L"20"), first);
  RECT after{};
  GetWindowRect(first, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(ListWindowTest, ASecondCopyOfTheProgramKeepsItsWindowsApart) {
  // The other copy has a message window for id 20 open, and its registration window centred.
  ForeignWindow others_message(L"20", {0, 0, 50, 50});
  LogIn();
  list().PMonline.Tag = 20;
  list().N1Click();
  EXPECT_EQ(program->ComposerTable.ComposerCount(), 1u);
  const HWND message = platform::FindOwnWindow("20");
  ASSERT_NE(message, nullptr);
  BringWindowToTop(others_message.hwnd());
  ServerSays("#S20|b|hi\r\n");
  EXPECT_TRUE(Above(message, others_message.hwnd()));

  RECT registry{};
  GetWindowRect(program->RegistryForm->hwnd(), &registry);
  const POINT centred = platform::CentredOnScreen(registry.right - registry.left, registry.bottom - registry.top);
  OffsetRect(&registry, centred.x - registry.left, centred.y - registry.top);
  ForeignWindow others_registry(L"OZL", registry);
  program->RegistryForm->Show();
  RECT ours{};
  GetWindowRect(program->RegistryForm->hwnd(), &ours);
  EXPECT_FALSE(EqualRect(&ours, &registry));
}

TEST_F(ListWindowTest, IdsAreShownWholeUpToTenDigits) {
  ServerSays("#Akot|Kot\r\n#U10002-a-online|2147483647-b-chat|~\r\n");
  for (std::size_t row = 0; row < 2; ++row) {
    const RECT id = list().SGonline.CellRect({row, 0});
    const RECT nick = list().SGonline.CellRect({row, 1});
    const std::string text(program->lists.Online().Cell(row, 0));
    EXPECT_LE(platform::StringGrid::ColumnWidthFor(text), id.right - id.left) << text;
    EXPECT_GE(nick.right - nick.left, 60);
  }
}

TEST_F(ListWindowTest, PagesKeepBothListsAndTheLockSendsTheFriendship) {
  LogIn();
  const POINT pages{40, 12};
  Click(list().Spages.hwnd(), pages.x, pages.y);
  EXPECT_TRUE(list().SGkontakt.visible());
  EXPECT_FALSE(list().SGonline.visible());
  Click(list().Spages.hwnd(), pages.x, pages.y);
  EXPECT_TRUE(list().SGonline.visible());
  EXPECT_FALSE(list().SGkontakt.visible());
  EXPECT_EQ(program->lists.Online().RowCount(), 3u);
  EXPECT_EQ(program->lists.Contacts().Cell(0, 1), "d");

  Click(list().Sfriend.hwnd(), 10, 11);
  EXPECT_EQ(list().Lfriend.caption(), "Закрыт для дружбы"_cp1251);
  // Tab reaches the switches, and the space key turns them.
  SetForegroundWindow(list().hwnd());
  SetFocus(list().SGonline.hwnd());
  std::vector<HWND> reached;
  for (int i = 0; i < 3; ++i) {
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    platform::PumpWaitingMessages();
    reached.push_back(GetFocus());
  }
  EXPECT_NE(std::find(reached.begin(), reached.end(), list().Sfriend.hwnd()), reached.end());
  EXPECT_NE(std::find(reached.begin(), reached.end(), list().Spages.hwnd()), reached.end());
  SendMessageW(list().Sfriend.hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(list().Lfriend.caption(), "Открыт для дружбы"_cp1251);
  EXPECT_EQ(CommandsSent(), (Strings{"#L0", "#L1"}));
}

TEST_F(ListWindowTest, AContactWithoutHistoryGetsANotice) {
  LogIn();
  popup_choice = 4;  // the separator has no command
  RightClick(list().SGkontakt, RowPoint(0));
  EXPECT_EQ(info().Linfo.caption(), "К сожалению, History List пуст!"_cp1251);
}

TEST_F(ListWindowTest, QuittingAsksThenSendsTheLogoutAndEndsWhenTheServerIsGone) {
  LogIn();
  confirm_answer = false;
  list().Close();
  EXPECT_EQ(questions, Strings{std::string("Вы уверены, что хотите выйти?"_cp1251)});
  EXPECT_EQ(sounds.back(), "play sound/onclose.wav");
  EXPECT_TRUE(list().visible());
  EXPECT_TRUE(connector.sent.back().Data() != "#D");

  confirm_answer = true;
  list().Close();
  EXPECT_FALSE(list().visible());
  ASSERT_EQ(connector.sent.back().Data(), "#D");
  EXPECT_TRUE(session().LogoutTimer.enabled());
  session().transport().Failed(connector.sent.back().id, {protocol::FailureKind::kConnectFailed, ""});
  EXPECT_FALSE(IsWindow(start().hwnd()));
  EXPECT_TRUE(errors.empty());
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ListWindowTest, AQuitThatIsNeverAnsweredEndsAtTheTimeLimit) {
  LogIn();
  list().Close();
  ASSERT_EQ(connector.sent.back().Data(), "#D");
  session().LogoutTimerTimer();
  EXPECT_FALSE(IsWindow(start().hwnd()));
}

TEST_F(ListWindowTest, TheGeneralChatIsEnteredSpokenInAndLeft) {
  LogIn();
  Click(list().hwnd(), 11 + 78, list().S - 104 + 9);
  EXPECT_TRUE(chat().visible());
  EXPECT_EQ(chat().Text(), "Общий чат"_cp1251);
  EXPECT_EQ(CommandsSent(), Strings{"#E1"});

  // Lines and participants come from the server; b is in the chat since the login, and the list
  // follows the first presence change.
  ServerSays("#YU10-a-chat\r\n#CKot|" + std::string("всем привет"_cp1251) + "\r\n");
  EXPECT_EQ(chat().Memo1.Lines(), Strings{std::string("Kot >> всем привет"_cp1251)});
  EXPECT_EQ(chat().ListBox1.Items(), (Strings{"a", "b"}));

  // Addressing two participants stacks their prefixes in front of the text.
  chat().CEmessage.SetText("hi");
  for (const std::size_t participant : {0u, 1u}) {
    chat().ListBox1.Select(participant);
    chat().ListBox1DblClick();
  }
  EXPECT_EQ(chat().CEmessage.Text(), "(для b) (для a) hi"_cp1251);

  // Enter sends once and empties the field.
  SendMessageW(chat().CEmessage.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(CommandsSent(), Strings{std::string("#C(для b) (для a) hi"_cp1251)});
  EXPECT_EQ(chat().CEmessage.Text(), "");

  // Lines keep arriving while the window is hidden, and do not show it.
  chat().VantalButton1click();
  EXPECT_FALSE(chat().visible());
  EXPECT_EQ(CommandsSent(), Strings{"#E0"});
  ServerSays("#CKot|again\r\n");
  EXPECT_FALSE(chat().visible());
  EXPECT_EQ(chat().Memo1.Lines().back(), "Kot >> again");
}

}  // namespace
}  // namespace ozl
