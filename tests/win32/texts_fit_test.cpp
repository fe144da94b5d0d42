// Every window of the program, walked as a new user sees it: no label's, button's or notice's
// text is wider than the space it is drawn in.
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/window.h"
#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
  const HGDIOBJ previous = SelectObject(dc, font ? font : platform::DefaultFont());
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  return size.cx;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Whether a visible child window of `host` covers part of `area`.
bool CoveredByChild(HWND host, const RECT& area) {
  for (HWND child = GetWindow(host, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT bounds{};
    GetWindowRect(child, &bounds);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&bounds), 2);
    RECT common{};
    if (IntersectRect(&common, &bounds, &area)) return true;
  }
  return false;
}

// "window: text" for every text that does not fit, in one window and its children.
void CheckWindow(HWND window, std::vector<std::string>& cut) {
  const std::string where = platform::Narrow(WindowText(GetAncestor(window, GA_ROOT))) + ": ";
  RECT client{};
  GetClientRect(window, &client);
  if (auto* host = dynamic_cast<platform::ControlHost*>(platform::Window::FromHandle(window))) {
    const HRGN shape = CreateRectRgn(0, 0, 0, 0);
    const bool shaped = GetParent(window) == nullptr && GetWindowRgn(window, shape) != ERROR;
    for (const platform::Control* control : host->controls()) {
      const auto* label = dynamic_cast<const platform::Label*>(control);
      if (!label || !label->visible() || label->caption().empty()) continue;
      const RECT b = label->bounds();
      const bool inside = b.right <= client.right && b.bottom <= client.bottom && !CoveredByChild(window, b) &&
                          (!shaped || (PtInRegion(shape, b.right - 1, b.top) && PtInRegion(shape, b.right - 1, b.bottom - 1)));
      if (!inside) cut.push_back(where + label->caption());
    }
    DeleteObject(shape);
  }
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (std::wstring(class_name) == L"Button" && IsWindowVisible(window)) {
    const std::wstring text = WindowText(window);
    const HDC dc = GetDC(window);
    int needed = TextWidth(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), text);
    ReleaseDC(window, dc);
    switch (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) {
      case BS_AUTORADIOBUTTON: case BS_RADIOBUTTON: case BS_AUTOCHECKBOX: case BS_CHECKBOX:
        needed += GetSystemMetrics(SM_CXMENUCHECK) + 4;
        break;
      case BS_GROUPBOX:
        needed += 16;
        break;
      default:
        needed += 8;
        break;
    }
    if (!text.empty() && needed > client.right) cut.push_back(where + platform::Narrow(text));
  }
}

BOOL CALLBACK CheckChild(HWND child, LPARAM cut) {
  CheckWindow(child, *reinterpret_cast<std::vector<std::string>*>(cut));
  return TRUE;
}

BOOL CALLBACK CheckTopLevel(HWND top, LPARAM cut) {
  CheckChild(top, cut);
  EnumChildWindows(top, &CheckChild, cut);
  return TRUE;
}

std::vector<std::string> CutTexts() {
  std::vector<std::string> cut;
  EnumThreadWindows(GetCurrentThreadId(), &CheckTopLevel, reinterpret_cast<LPARAM>(&cut));
  return cut;
}

using TextsFitTest = ProgramTest;

TEST_F(TextsFitTest, EveryWindowShowsItsTextsWhole) {
  ServerSays("#Akot|Kot\r\n#U10002-Zayka-online|~\r\n");
  ServerSays("#S10002|Zayka|hi\r\n");
  ServerSays("#IZayka|a|b|c|d|e|f|g|online\r\n");
  EXPECT_EQ(CutTexts(), std::vector<std::string>{});
  for (const std::string_view notice :
       {"Неверный идентификатор или пароль."_cp1251, "Извините, OZL сервер недоступен!"_cp1251,
        "Не так длинно, разбейте на несколько строк."_cp1251, "Повторение пароля не совпадает."_cp1251,
        "Прокси-сервер отказал в доступе: проверьте логин и пароль прокси."_cp1251,
        "Сообщение не доставлено:\r\nсервер его не принял.\r\nТекст возвращён в окно привата."_cp1251,
        "Строка не доставлена в общий чат:\r\nсервер её не принял.\r\nОна возвращена в поле ввода."_cp1251}) {
    session().ViewInfo(std::string(notice));
    EXPECT_EQ(CutTexts(), std::vector<std::string>{});
  }
  Click(info().Psystemmenu.hwnd(), 7, 6);
  start().VBaboutclick();
  EXPECT_EQ(CutTexts(), std::vector<std::string>{});
}

}  // namespace
}  // namespace ozl
