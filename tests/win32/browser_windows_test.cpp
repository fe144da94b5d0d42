#include "conversations/chat_kiv_form.h"
#include "conversations/user_history_form.h"
#include "conversations/web_chat_address.h"
#include "platform/text.h"
#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

class BrowserWindowsTest : public ProgramTest {
 protected:
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
};

// Wine here has no HTML engine: the probe finds none, and the viewer says so in its own area.
TEST_F(BrowserWindowsTest, HistoryViewerWithoutAnEngineNamesTheFileAndOpensItElsewhere) {
  TUserHistoryForm& viewer = *program->UserHistoryForm;
  ASSERT_FALSE(viewer.WebBrowser1.hosted());
  EXPECT_FALSE(viewer.visible());
  const std::string first = "C:\\ozl\\HISTORY\\10002.htm";
  const std::string second(R"(C:\Мои документы\OZL\HISTORY\10003.htm)"_cp1251);

  viewer.ShowHistory(first);
  EXPECT_TRUE(viewer.visible());
  EXPECT_TRUE(Shows(viewer, "Встроенный браузер не может показать эту страницу здесь."_cp1251));
  EXPECT_TRUE(Shows(viewer, first));

  // A second history while the viewer is open replaces the first in the same window.
  viewer.ShowHistory(second);
  EXPECT_EQ(Requested(viewer), second);
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
  ServerSays("#Akot|Kot\n");
  EXPECT_EQ(Requested(chat), "http://" + std::string(kWebChatHost) + "/ozl");
  EXPECT_FALSE(chat.visible());

  const std::string address = conversations::WebChatAddress(kWebChatHost, "kot", "a&b");
  chat.OpenWebChat(address);
  EXPECT_TRUE(chat.visible());
  EXPECT_EQ(Requested(chat), address);
  EXPECT_TRUE(Shows(chat, address));

  Click(chat.Psystemmenu.hwnd(), 27, 6);
  EXPECT_FALSE(chat.visible());
  EXPECT_EQ(Requested(chat), kPortalUrl);

  // Opened again, it logs in again with the same address.
  chat.OpenWebChat(address);
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
  browser.Navigate2(L"http://127.0.0.1:1/unreachable");
  platform::PumpWaitingMessages();
  EXPECT_EQ(browser.RequestedAddress(), L"http://127.0.0.1:1/unreachable");

  // The parent's window goes first: the control is let go while its windows still exist.
  DestroyWindow(parent->hwnd());
  EXPECT_FALSE(browser.hosted());
  browser.Navigate(L"about:blank");
}

}  // namespace
}  // namespace ozl
