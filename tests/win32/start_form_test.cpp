#include <algorithm>
#include <array>

#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using StartFormTest = ProgramTest;
using Strings = std::vector<std::string>;

// Left, top, right, bottom.
std::array<LONG, 4> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST_F(StartFormTest, ControlsStandWhereTheLoginWindowPutsThem) {
  RECT client{};
  GetClientRect(start().hwnd(), &client);
  EXPECT_EQ(client.right, 197);
  EXPECT_EQ(client.bottom, 215);
  EXPECT_TRUE(start().visible());
  EXPECT_EQ(start().Text(), "OZL");

  EXPECT_EQ(Edges(ChildBounds(start().CEid.hwnd())), (std::array<LONG, 4>{112, 96, 177, 117}));
  EXPECT_EQ(Edges(ChildBounds(start().CEpassword.hwnd())), (std::array<LONG, 4>{96, 120, 177, 141}));
  EXPECT_EQ(Edges(ChildBounds(start().Pnewuser.hwnd())), (std::array<LONG, 4>{20, 52, 179, 71}));
  EXPECT_EQ(Edges(ChildBounds(start().Pother.hwnd())), (std::array<LONG, 4>{20, 148, 179, 193}));
  EXPECT_EQ(Edges(ChildBounds(start().Psystemmenu.hwnd())), (std::array<LONG, 4>{62, 5, 188, 24}));

  EXPECT_EQ(Edges(start().Bnewuser.bounds()), (std::array<LONG, 4>{0, 0, 159, 19}));
  EXPECT_EQ(Edges(start().Bproxy.bounds()), (std::array<LONG, 4>{0, 0, 159, 19}));
  EXPECT_EQ(Edges(start().Bstart.bounds()), (std::array<LONG, 4>{4, 26, 76, 45}));
  EXPECT_EQ(Edges(start().Bclose.bounds()), (std::array<LONG, 4>{82, 26, 154, 45}));
  EXPECT_EQ(Edges(start().iKIV.bounds()), (std::array<LONG, 4>{0, 0, 75, 19}));
  EXPECT_EQ(Edges(start().VBabout.bounds()), (std::array<LONG, 4>{68, 3, 83, 16}));
  EXPECT_EQ(Edges(start().VBminimize.bounds()), (std::array<LONG, 4>{88, 3, 103, 16}));
  EXPECT_EQ(Edges(start().VBclose.bounds()), (std::array<LONG, 4>{108, 3, 123, 16}));

  EXPECT_EQ(start().Lregistry.bounds().left, 20);
  EXPECT_EQ(start().Lregistry.bounds().top, 34);
  EXPECT_EQ(start().Lregistry.caption(), "Регистрация"_cp1251);
  EXPECT_EQ(start().Lid.caption(), "Идентификатор"_cp1251);
  EXPECT_EQ(start().Lpassword.bounds().top, 122);

  // The password field shows stars.
  EXPECT_EQ(SendMessageW(start().CEpassword.hwnd(), EM_GETPASSWORDCHAR, 0, 0), '*');
  // The skin is drawn from the compiled-in picture.
  EXPECT_EQ(start().skin().width(), 196);
  EXPECT_EQ(start().skin().height(), 213);
  EXPECT_EQ(sounds, Strings{"play sound/oncreate.wav"});
}

TEST_F(StartFormTest, AClickOnTheLoginButtonSendsOneLogin) {
  start().CEid.SetText("12345");
  start().CEpassword.SetText("пароль"_cp1251);
  Click(start().Pother.hwnd(), 4 + 36, 26 + 9);
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(connector.sent[0].Data(), "#A12345|" + std::string("пароль"_cp1251));
  const std::string session = connector.sent[0].Session();
  ASSERT_FALSE(session.empty());
  EXPECT_LT(std::stoul(session), 4967296u);
  EXPECT_FALSE(start().Bstart.ClickLatch.value());

  // A click on a corner pixel notifies once: it acts and leaves the latch set; the next body
  // click acts once, on its second notification.
  Click(start().Pother.hwnd(), 4, 26 + 18);
  EXPECT_EQ(connector.sent.size(), 2u);
  EXPECT_TRUE(start().Bstart.ClickLatch.value());
  Click(start().Pother.hwnd(), 4 + 36, 26 + 9);
  EXPECT_EQ(connector.sent.size(), 3u);

  // Each login draws a new session number.
  EXPECT_NE(connector.sent[1].Session() + connector.sent[2].Session(), session + session);
}

TEST_F(StartFormTest, TheRightButtonAndAReleaseOutsideSendNothing) {
  Click(start().Pother.hwnd(), 4 + 36, 26 + 9, true);
  const LPARAM inside = MAKELPARAM(4 + 36, 26 + 9);
  SendMessageW(start().Pother.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
  SendMessageW(start().Pother.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(150, 5));
  platform::PumpWaitingMessages();
  EXPECT_TRUE(connector.sent.empty());
  EXPECT_EQ(start().Bstart.state().CurrentLook(), skin::Look::kNormal);
}

TEST_F(StartFormTest, EnterInEitherFieldLogsInOnce) {
  start().CEid.SetText("7");
  SendMessageW(start().CEid.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  SendMessageW(start().CEpassword.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  platform::PumpWaitingMessages();
  ASSERT_EQ(connector.sent.size(), 2u);
  EXPECT_EQ(connector.sent[0].Data(), "#A7|");
  EXPECT_EQ(connector.sent[1].Data(), "#A7|");
  // Empty fields send the command with nothing around the separator.
  start().CEid.SetText("");
  SendMessageW(start().CEid.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(connector.sent.back().Data(), "#A|");
}

TEST_F(StartFormTest, ColourEditsChangeColourWithTheFocus) {
  auto colours = [&](HWND field) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(start().hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(field));
    const std::pair<COLORREF, COLORREF> result{GetBkColor(dc), GetTextColor(dc)};
    DeleteDC(dc);
    return result;
  };
  const HWND id = start().CEid.hwnd();
  EXPECT_EQ(colours(id).first, 15858429u);
  SetForegroundWindow(start().hwnd());
  SetFocus(id);
  EXPECT_EQ(colours(id), (std::pair<COLORREF, COLORREF>{14739964u, 0u}));
  // Another program takes the activation and gives it back: the field was never left.
  SendMessageW(id, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(colours(id), (std::pair<COLORREF, COLORREF>{14739964u, 0u}));
  SendMessageW(id, WM_SETFOCUS, 0, 0);
  SendMessageW(id, WM_SETFOCUS, 0, 0);
  SetFocus(start().CEpassword.hwnd());
  EXPECT_EQ(colours(id).first, 15858429u);
  EXPECT_EQ(colours(start().CEpassword.hwnd()).first, 14739964u);
  // Back from another program, the focus lands on another field: the first one is left.
  SendMessageW(start().CEpassword.hwnd(), WM_KILLFOCUS, 0, 0);
  SetFocus(id);
  EXPECT_EQ(colours(start().CEpassword.hwnd()).first, 15858429u);
}

TEST_F(StartFormTest, AnUnreachableServerGivesTheNoticeAndTheErrorBox) {
  start().CEid.SetText("1");
  SendMessageW(start().CEid.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  session().transport().Failed(connector.sent[0].id, {protocol::FailureKind::kConnectFailed, ""});
  EXPECT_TRUE(info().visible());
  EXPECT_EQ(info().Linfo.caption(), "Извините, OZL сервер недоступен!"_cp1251);
  EXPECT_FALSE(info().VBinfo.visible());
  EXPECT_EQ(errors, Strings{"Connection Failed"});
  // The login window stays as it was, ready for another try.
  EXPECT_TRUE(start().visible());
  EXPECT_EQ(start().CEid.Text(), "1");
  EXPECT_TRUE(GetWindowLongW(info().hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// The box is modal: a timer that runs inside its loop looks at it and closes it.
struct ErrorBoxSeen {
  HWND notice = nullptr;
  bool found = false;
  bool above_notice = false;
  bool enabled = false;
};
ErrorBoxSeen error_box_seen;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (std::wstring(class_name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK LookAtTheErrorBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  error_box_seen.found = true;
  error_box_seen.above_notice = Above(box, error_box_seen.notice);
  error_box_seen.enabled = IsWindowEnabled(box) != FALSE;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(StartFormTest, TheErrorBoxStandsAboveTheStayOnTopNotice) {
  session().ViewInfo(std::string("Извините, OZL сервер недоступен!"_cp1251));
  SetForegroundWindow(start().hwnd());
  error_box_seen = {.notice = info().hwnd()};
  SetTimer(nullptr, 0, 100, &LookAtTheErrorBox);
  real_effects().error_box("Connection Failed");
  EXPECT_TRUE(error_box_seen.found);
  EXPECT_TRUE(error_box_seen.above_notice);
  EXPECT_TRUE(error_box_seen.enabled);
}

TEST_F(StartFormTest, TheAuthorshipNoticeComesWithItsSignAndMovesItsLabel) {
  start().VBaboutclick();
  EXPECT_TRUE(info().visible());
  EXPECT_TRUE(info().VBinfo.visible());
  EXPECT_EQ(info().Linfo.bounds().top, 16);
  EXPECT_EQ(info().ShowIcon, 0);
  EXPECT_NE(info().Linfo.caption().find("2002"), std::string::npos);
  EXPECT_EQ(std::count(info().Linfo.caption().begin(), info().Linfo.caption().end(), '\n'), 2);

  // A notice while it is open replaces the text and keeps the sign and the place.
  session().ViewInfo("second");
  EXPECT_EQ(info().Linfo.caption(), "second");
  EXPECT_TRUE(info().VBinfo.visible());
  EXPECT_EQ(info().Linfo.bounds().top, 16);

  // Closed, the next notice shows at the usual place without the sign.
  Click(info().Psystemmenu.hwnd(), 7, 6);
  EXPECT_FALSE(info().visible());
  EXPECT_EQ(info().Linfo.bounds().top, 32);
  session().ViewInfo("third");
  EXPECT_TRUE(info().visible());
  EXPECT_FALSE(info().VBinfo.visible());
}

TEST_F(StartFormTest, AHugeNoticeIsCutNotMeasuredWhole) {
  const std::string huge = std::string(3000, 'x') + "\r\n" + std::string(5'000'000, 'y');
  session().ViewInfo(huge);
  EXPECT_EQ(info().Linfo.caption(), huge.substr(0, platform::Label::kMaxCaptionBytes));
  EXPECT_EQ(info().Text().size(), 256u);
  EXPECT_TRUE(info().visible());
}

TEST_F(StartFormTest, TheNoticeWindowReopensWhereItWasLeft) {
  session().ViewInfo("first");
  SetWindowPos(info().hwnd(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  info().VantalButton1.on_click();
  session().ViewInfo("again");
  RECT frame{};
  GetWindowRect(info().hwnd(), &frame);
  EXPECT_EQ(frame.left, 10);
  EXPECT_EQ(frame.top, 20);
}

TEST_F(StartFormTest, MinimisingLeavesOnlyTheTrayIconAndADoubleClickBringsItBack) {
  session().ViewInfo("a notice");
  start().VBminimizeclick();
  EXPECT_FALSE(start().visible());
  EXPECT_FALSE(info().visible());
  session().RxTrayIcon1DblClick();
  EXPECT_TRUE(start().visible());
  EXPECT_TRUE(info().visible());
}

// The region components hear of the window's messages through its own procedure: it is not
// subclassed, a resize moves the outline with the skin's corner, and the surface drags it.
TEST_F(StartFormTest, TheLoginWindowsOwnProcedureReshapesAndDragsIt) {
  const HWND window = start().hwnd();
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), GetWindowLongPtrW(start().Pother.hwnd(), GWLP_WNDPROC));
  auto outline_right = [window] {
    const HRGN outline = CreateRectRgn(0, 0, 0, 0);
    RECT box{};
    if (GetWindowRgn(window, outline) != ERROR) GetRgnBox(outline, &box);
    DeleteObject(outline);
    return box.right;
  };
  RECT frame{};
  GetWindowRect(window, &frame);
  const LONG right_before = outline_right();
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 20, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(outline_right(), right_before + 20);
  GetWindowRect(window, &frame);
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(frame.left + 100, frame.top + 80)), HTCAPTION);
}

TEST_F(StartFormTest, TheLogoOpensThePortalAndClosingSendsNothing) {
  Click(start().Psystemmenu.hwnd(), 20, 9);
  EXPECT_EQ(urls, Strings{kPortalUrl});
  Click(start().Psystemmenu.hwnd(), 108 + 7, 3 + 6);
  EXPECT_FALSE(IsWindow(start().hwnd()));
  EXPECT_TRUE(connector.sent.empty());
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(StartFormTest, TheQuitButtonClosesTheProgram) {
  Click(start().Pother.hwnd(), 82 + 36, 26 + 9);
  EXPECT_FALSE(IsWindow(start().hwnd()));
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(connector.sent.empty());
}

}  // namespace
}  // namespace ozl
