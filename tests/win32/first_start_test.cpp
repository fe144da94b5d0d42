#include "platform/text.h"
#include "program_fixture.h"
#include "windows/about_form.h"
#include "settings/help_text.h"
#include "windows/skin_form.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

class FirstStartTest : public ProgramTest {
 protected:
  FirstStartTest() : ProgramTest(false) {
    // A quit an earlier test left in the queue would end the help window's loop at once.
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  ~FirstStartTest() override { program.reset(); }
  WorkingFolder folder;
};

// What the user sees while the help window waits, found through the windows themselves.
struct Seen {
  bool help_shown = false;
  bool login_shown = true;
  bool pressed = false;
};
Seen seen;
HWND login_window = nullptr;

void CALLBACK PressOk(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND help = FindWindowW(nullptr, platform::Widen("© OZL"_cp1251).c_str());
  if (!help) return;
  KillTimer(nullptr, timer);
  seen.help_shown = IsWindowVisible(help) != FALSE;
  seen.login_shown = login_window && IsWindowVisible(login_window);
  const HWND panel = FindWindowExW(help, nullptr, L"OzlPanel", nullptr);
  const HWND ok = FindWindowExW(panel, nullptr, L"Button", nullptr);
  seen.pressed = ok != nullptr;
  SendMessageW(ok, BM_CLICK, 0, 0);
}

TEST_F(FirstStartTest, TheHelpIsWrittenAndShownBeforeTheLoginWindowOnlyOnce) {
  seen = {};
  SetTimer(nullptr, 0, 20, &PressOk);
  program = std::make_unique<Program>(connector);
  login_window = program->StartForm->hwnd();
  program->Start();  // returns once OK has been pressed
  EXPECT_TRUE(seen.pressed);
  EXPECT_TRUE(seen.help_shown);
  EXPECT_FALSE(seen.login_shown);
  EXPECT_TRUE(start().visible());
  EXPECT_FALSE(program->AboutForm->visible());
  EXPECT_TRUE(IsWindowEnabled(start().hwnd()));
  EXPECT_EQ(FileBytes(L"readme.txt"), settings::HelpText());
  EXPECT_EQ(program->AboutForm->Memo1.Lines().front(), settings::HelpLines().front());

  // The next start finds the file and goes straight to the login window.
  program.reset();
  Launch();
  EXPECT_TRUE(start().visible());
  EXPECT_FALSE(program->AboutForm->visible());
}

TEST_F(FirstStartTest, TheColourToolIsHiddenAndPreviewsTheLoginSkin) {
  CloseHandle(CreateFileW(L"readme.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  Launch();
  TSkinForm& tool = *program->SkinForm;
  EXPECT_FALSE(tool.visible());
  tool.RxSlider4.SetValue(0);
  EXPECT_EQ(tool.Image1.picture().width(), 196);
  EXPECT_EQ(tool.Image1.picture().picture().At(0, 212), start().skin().picture().At(0, 212));
  tool.RxSlider4.SetValue(255);
  EXPECT_EQ(tool.Image1.picture().picture().At(100, 100), (skin::Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace ozl
