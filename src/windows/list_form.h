// The list window, the user's home after login: a strip docked at the right edge of the screen with
// the online and contact lists, from whose row menus the user writes to others, asks for their
// information, keeps contacts and reads history; below them the friendship lock and the doors to
// the general chat, the web chat and the search. Closing it logs out.
#pragma once

#include <string>

#include "platform/bitmap.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/popup_menu.h"
#include "platform/string_grid.h"
#include "logic/dispatcher.h"
#include "logic/ports.h"
#include "windows/list_rows_win.h"
#include "platform/skinned_form.h"
#include "skin/pict_ext_rgn.h"
#include "text/cp1251.h"

namespace ozl {

class TListForm : public skin::ShapedForm, public logic::ListWindow {
 public:
  // The windows the list window opens.
  class Navigation {
   public:
    // A new message window titled `title`, headed with the selected nick.
    virtual void OpenComposer(const std::string& title) = 0;
    // The history file at `path` in the history viewer.
    virtual void ShowHistory(const std::string& path) = 0;
    // The web chat, logged in with the chat nick and password of the session.
    virtual void OpenWebChat() = 0;
    virtual void ShowChat() = 0;
    virtual void ShowSearch() = 0;

   protected:
    ~Navigation() = default;
  };

  // The grids show the online and contact tables of `lists`; a row menu's nick becomes the
  // state's selected nick.
  TListForm(logic::Outbox& outbox, logic::Notices& notices, Navigation& navigation,
            lists::ListTables& lists, logic::SessionState& state);

  // logic::ListWindow: the caption holds the own nick; it is never shown.
  void SetCaption(const std::string& own_nick) override { SetText(own_nick); }
  void Show() override { Form::Show(); }

  // The screen's height when the window was made: the controls below the lists stand above it.
  const int S;

  platform::Switch Spages;
  platform::StringGrid SGonline;
  platform::StringGrid SGkontakt;
  platform::Switch Sfriend;
  platform::Label Lfriend{*this, 56, S - 130, "Открыт для дружбы"_cp1251, RGB(0xE9, 0xDD, 0xC1)};
  platform::BitmapButton Bchat{*this, 11, S - 104, platform::Bitmap::FromResource(L"BUTTON_LIST_BCHAT")};
  platform::BitmapButton Bchatkiv{*this, 11, S - 84, platform::Bitmap::FromResource(L"BUTTON_LIST_BCHATKIV")};
  platform::BitmapButton Bsearch{*this, 11, S - 64, platform::Bitmap::FromResource(L"BUTTON_LIST_BSEARCH")};
  platform::Panel Psystemmenu{*this, 136, 6, 36, 13, RGB(0xFD, 0xEF, 0xCC)};
  platform::CaptionButton VBminimize{Psystemmenu, 0, 0, L"CAPTION_MINIMIZE"};
  platform::CaptionButton VBclose{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  // The skin: the top and bottom pictures, and the line repeated between them.
  platform::Bitmap Ipx = platform::Bitmap::FromResource(L"SKIN_LIST_LINE");
  platform::Bitmap top_picture = platform::Bitmap::FromResource(L"SKIN_LIST_TOP");
  platform::Bitmap bottom_picture = platform::Bitmap::FromResource(L"SKIN_LIST_BOTTOM");
  skin::TPictExtRgn Cartoon1{this, "Cartoon1"};
  skin::TPictExtRgn Cartoon2{this, "Cartoon2"};
  skin::TFormRegion FormRegion1{this, "FormRegion1"};

  platform::PopupMenu PMonline;
  platform::MenuItem& N1 = PMonline.Add("Написать пользователю "_cp1251, {.is_default = true});
  platform::MenuItem& N2 = PMonline.Add("Просмотреть информацию о "_cp1251);
  platform::MenuItem& N3 = PMonline.Add("Добавить "_cp1251);
  platform::PopupMenu PMkontakt;
  platform::MenuItem& N11 = PMkontakt.Add("1", {.is_default = true});
  platform::MenuItem& N21 = PMkontakt.Add("2");
  platform::MenuItem& N31 = PMkontakt.Add("3");
  platform::MenuItem& History1 = (PMkontakt.AddSeparator(), PMkontakt.Add("Просмотреть History"_cp1251));

  void SGonlineDrawCell(HDC dc, platform::GridCell cell, const RECT& area);
  void SGkontaktDrawCell(HDC dc, platform::GridCell cell, const RECT& area);
  void SGonlineMouseMove(POINT at) { pointer_ = at; }
  void SGonlineDblClick();
  void SGkontaktDblClick();
  bool PMonlinePopup();
  bool PMkontaktPopup();
  void N1Click();
  void N2Click();
  void N3Click();
  void N11Click();
  void N21Click();
  void N31Click();
  void History1Click();
  void SpagesOn();
  void SpagesOff();
  void SfriendOn();
  void SfriendOff();
  void BitBtn1Click();  // Bchat
  void BitBtn3Click();  // Bchatkiv
  void BitBtn2Click();  // Bsearch
  void VBminimizeclick();
  void VBcloseclick();

 protected:
  void FormPaint(HDC dc) override;
  CloseAction FormClose() override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void OpenComposer(std::int32_t id);
  void Send(std::string command);
  POINT MenuPointOnScreen() const;
  // Right edge of the work area, its full height, keeping the width.
  WINDOWPOS Docked(WINDOWPOS position) const;

  logic::Outbox& outbox_;
  logic::Notices& notices_;
  Navigation& navigation_;
  lists::ListTables& lists_;
  logic::SessionState& state_;
  POINT pointer_{};
  platform::FileBitmaps status_icons_;
};

}  // namespace ozl
