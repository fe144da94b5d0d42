#include <filesystem>
#include <fstream>

#include "windows/chat_kiv_form.h"
#include "windows/user_history_form.h"
#include "windows/list_form.h"
#include "platform/text.h"
#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

class BrowserWindowsTest : public ProgramTest {
 protected:
  ~BrowserWindowsTest() override {
    for (const char* id : {"880001", "880002"}) std::filesystem::remove(HistoryFile(id));
  }

  TListForm& list() { return *program->ListForm; }

  static std::string HistoryFile(const std::string& id) { return "HISTORY/" + id + ".htm"; }
  static std::string Requested(const BrowserForm& form) {
    return platform::Narrow(form.WebBrowser1.RequestedAddress());
  }
  static bool Shows(const BrowserForm& form, std::string_view text) {
    return form.WebBrowser1.Text().find(text) != std::string::npos;
  }
  // The fallback's button, pressed as a click would press it.
  static void PressOpen(const BrowserForm& form) {
    const HWND button = FindWindowExW(form.WebBrowser1.hwnd(), nullptr, L"Button", nullptr);
    ASSERT_NE(button, nullptr);
    SendMessageW(button, BM_CLICK, 0, 0);
    platform::PumpWaitingMessages();
  }
  // "Просмотреть History" in the menu of a contact row.
  void History(std::size_t row) {
    const POINT at{60, static_cast<LONG>(row) * 25 + 12};
    SendMessageW(list().SGkontakt.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    POINT screen = at;
    ClientToScreen(list().SGkontakt.hwnd(), &screen);
    popup_choice = 4;
    SendMessageW(list().SGkontakt.hwnd(), WM_CONTEXTMENU,
                 reinterpret_cast<WPARAM>(list().SGkontakt.hwnd()), MAKELPARAM(screen.x, screen.y));
    platform::PumpWaitingMessages();
  }
};

// Wine here has no HTML engine: the probe finds none, and the viewer says so in its own area.
TEST_F(BrowserWindowsTest, HistoryViewerWithoutAnEngineNamesTheFileAndOpensItElsewhere) {
  TUserHistoryForm& viewer = *program->UserHistoryForm;
  ASSERT_FALSE(viewer.WebBrowser1.hosted());
  std::filesystem::create_directories("HISTORY");
  for (const char* id : {"880001", "880002"}) std::ofstream(HistoryFile(id)) << "<HTML>";
  ServerSays("#Akot|Kot\r\n#U~880001-d-online|880002-e-offline|\r\n");

  History(0);
  EXPECT_TRUE(viewer.visible());
  const std::string first = Requested(viewer);
  EXPECT_TRUE(first.ends_with("\\HISTORY\\880001.htm")) << first;
  EXPECT_TRUE(Shows(viewer, "Встроенный браузер не может показать эту страницу здесь."_cp1251));
  EXPECT_TRUE(Shows(viewer, first));

  // A second history while the viewer is open replaces the first in the same window.
  History(1);
  const std::string second = Requested(viewer);
  EXPECT_TRUE(second.ends_with("\\HISTORY\\880002.htm")) << second;
  EXPECT_FALSE(Shows(viewer, first));
  EXPECT_TRUE(Shows(viewer, second));
  PressOpen(viewer);
  EXPECT_EQ(urls, Strings{second});

  Click(viewer.Psystemmenu.hwnd(), 27, 6);
  EXPECT_FALSE(viewer.visible());
  EXPECT_EQ(Requested(viewer), second);
}

TEST_F(BrowserWindowsTest, WebChatLoadsItsStartPageAtLoginAndLeavesTheChatWhenClosed) {
  TChatKivForm& chat = *program->ChatKivForm;
  start().CEpassword.SetText("a&b c");
  ServerSays("#Akot|Kot\r\n");
  EXPECT_EQ(Requested(chat), "http://" + std::string(kWebServer) + "/ozl");
  EXPECT_FALSE(chat.visible());

  const std::string address =
      "http://" + std::string(kWebServer) + "/cgi-bin/go.cgi?name=kot&pass=a%26b%20c&room=main&i=v";
  Click(list().hwnd(), 11 + 20, list().S - 84 + 9);
  EXPECT_TRUE(chat.visible());
  EXPECT_EQ(Requested(chat), address);
  EXPECT_FALSE(Shows(chat, "pass=a"));
  EXPECT_TRUE(Shows(chat, "name=kot&pass=********&room=main"));
  PressOpen(chat);
  EXPECT_EQ(urls, Strings{address});

  Click(chat.Psystemmenu.hwnd(), 27, 6);
  EXPECT_FALSE(chat.visible());
  EXPECT_EQ(Requested(chat), kPortalUrl);

  // Opened again, it logs in again with the same name and password.
  Click(list().hwnd(), 11 + 20, list().S - 84 + 9);
  EXPECT_TRUE(chat.visible());
  EXPECT_EQ(Requested(chat), address);
}

// Wine's browser control can be put in place without an HTML engine; a probe that asks for the
// control's own class lets it through, so the embedding itself runs here.
TEST_F(BrowserWindowsTest, AControlInPlaceFillsTheWindowAndGoesWithItsParent) {
  auto parent = std::make_unique<TUserHistoryForm>();
  platform::WebBrowser browser(*parent, 16, 32, 585, 369, {CLSID_WebBrowser, CLSID_WebBrowser});
  ASSERT_TRUE(browser.hosted());
  const HWND control = GetWindow(browser.hwnd(), GW_CHILD);
  ASSERT_NE(control, nullptr);
  RECT area{};
  GetClientRect(control, &area);
  EXPECT_EQ(area.right, 585);
  EXPECT_EQ(area.bottom, 369);
  EXPECT_EQ(FindWindowExW(browser.hwnd(), nullptr, L"Button", nullptr), nullptr);
  browser.Navigate2(L"http://127.0.0.1:1/unreachable", L"http://127.0.0.1:1/unreachable");
  platform::PumpWaitingMessages();
  EXPECT_EQ(browser.RequestedAddress(), L"http://127.0.0.1:1/unreachable");

  // The parent's window goes first: the control is let go while its windows still exist.
  DestroyWindow(parent->hwnd());
  EXPECT_FALSE(browser.hosted());
  browser.Navigate(L"about:blank");
}

}  // namespace
}  // namespace ozl
