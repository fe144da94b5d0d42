#include <string>
#include <vector>

#include "windows/search_form.h"
#include "program_fixture.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

class SearchWindowTest : public ProgramTest {
 protected:
  TSearchForm& search() { return *program->SearchForm; }
  void ClickSearch() { Click(search().Psearch.hwnd(), 29, 9); }

  Strings Fields() {
    return {search().CEid.Text(),         search().CEnick.Text(), search().CEname.Text(),
            search().CElastname.Text(),   search().CEsecondname.Text(), search().CEcity.Text(),
            search().CEemail.Text(),      search().CEchatnick.Text()};
  }

  void RightClick(POINT at) {
    const HWND grid = search().SGsearch.hwnd();
    SendMessageW(grid, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    ClientToScreen(grid, &at);
    SendMessageW(grid, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid), MAKELPARAM(at.x, at.y));
    platform::PumpWaitingMessages();
  }
};

TEST_F(SearchWindowTest, UntouchedFieldsAreSentEmptyAndABarIsRefused) {
  // A bar in the identifier is refused even when every other field is untouched.
  search().CEid.SetText("1|2");
  ClickSearch();
  EXPECT_EQ(info().Linfo.caption(), "         Недопустимый символ |"_cp1251);
  EXPECT_EQ(search().CEnick.Text(), "Ник"_cp1251);
  EXPECT_TRUE(CommandsSent().empty());

  // A click into a field empties it, typed text too; Enter does not search.
  search().CEid.SetText("typed");
  Click(search().CEid.hwnd(), 5, 5);
  EXPECT_EQ(search().CEid.Text(), "");
  SendMessageW(search().CEcity.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(CommandsSent().empty());

  // A placeholder with a blank added is a criterion; the untouched ones are emptied.
  search().CEcity.SetText("Город "_cp1251);
  ClickSearch();
  EXPECT_EQ(CommandsSent(), Strings{std::string("#P||||Город |||"_cp1251)});
  EXPECT_EQ(Fields(), (Strings{"", "", "", "", "", std::string("Город "_cp1251), "", ""}));
}

TEST_F(SearchWindowTest, ResultRowsCarryTheirMenu) {
  // Below the rows, before any row was targeted, the menu has its design captions.
  RightClick({60, 100});
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus.back().captions, (Strings{std::string("написать"_cp1251), "2", "3"}));

  ServerSays("#P11-a-online|22-b-chat|\r\n");
  ASSERT_EQ(program->search_results.RowCount(), 2u);
  popup_choice = 3;
  RightClick({60, 25 + 12});
  EXPECT_EQ(menus.back().captions, (Strings{std::string("Написать пользователю b"_cp1251),
                                            std::string("Просмотреть информацию о b"_cp1251),
                                            std::string("Добавить b в контакт-лист"_cp1251)}));
  EXPECT_EQ(CommandsSent(), Strings{"#K122"});
  popup_choice = 2;
  SendMessageW(search().SGsearch.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(60, 12));
  SendMessageW(search().SGsearch.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(60, 12));
  RECT frame{};
  GetWindowRect(search().hwnd(), &frame);
  EXPECT_EQ(menus.back().at.x, frame.left + 60);
  EXPECT_EQ(menus.back().at.y, frame.top + 12);
  EXPECT_EQ(CommandsSent(), Strings{"#I11"});

  // An answer without records leaves one empty row, on which the menu does not open.
  ServerSays("#P\r\n");
  EXPECT_EQ(program->search_results.RowCount(), 1u);
  const std::size_t opened = menus.size();
  RightClick({60, 12});
  EXPECT_EQ(menus.size(), opened);
  EXPECT_EQ(errors, Strings{"'' is not a valid integer value"});
}

}  // namespace
}  // namespace ozl
