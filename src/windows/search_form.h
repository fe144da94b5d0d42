// The directory search: eight criteria, the results twenty at a time with their presence, and a
// row menu that asks for a found user's information or adds him to the contacts.
#pragma once

#include "windows/list_rows_win.h"
#include "logic/ports.h"
#include "platform/bitmap.h"
#include "platform/edits.h"
#include "platform/form.h"
#include "platform/popup_menu.h"
#include "platform/string_grid.h"
#include "protocol/commands.h"
#include "platform/skinned_form.h"
#include "text/cp1251.h"

namespace ozl {

class TSearchForm : public skin::SkinnedForm {
 public:
  // The grid shows `results`, which the dispatcher fills with the server's answers.
  TSearchForm(logic::Outbox& outbox, logic::Notices& notices, lists::ListTable& results);

  // In tab order: the results first, the criteria below them.
  platform::Label Label1{*this, 16, 34, "Ищем "_cp1251, 12311532};
  platform::Label Label2{*this, 200, 34, "Выводится по 20 записей"_cp1251, 12311532};
  platform::StringGrid SGsearch;
  platform::Panel Psystemmenu{*this, 308, 6, 36, 13, 14284027};
  platform::CaptionButton VBclose{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};
  platform::ColorEdit CEid{hwnd(), 16, 56, 153, 21, {}};
  platform::ColorEdit CEnick{hwnd(), 16, 80, 153, 21, {}};
  platform::ColorEdit CEname{hwnd(), 16, 104, 153, 21, {}};
  platform::ColorEdit CElastname{hwnd(), 16, 128, 153, 21, {}};
  platform::ColorEdit CEsecondname{hwnd(), 16, 152, 153, 21, {}};
  platform::ColorEdit CEcity{hwnd(), 16, 176, 153, 21, {}};
  platform::ColorEdit CEemail{hwnd(), 16, 200, 153, 21, {}};
  platform::ColorEdit CEchatnick{hwnd(), 16, 224, 153, 21, {}};
  platform::Panel Psearch{*this, 176, 226, 162, 19, 13430781};
  platform::BitmapButton Bsearch{Psearch, 0, 0, platform::Bitmap::FromResource(L"BUTTON_SEARCH_BSEARCH")};
  platform::BitmapButton Bstop{Psearch, 62, 0, platform::Bitmap::FromResource(L"BUTTON_SEARCH_BSTOP")};

  platform::PopupMenu PopupMenu1;
  // Writing to a found user is not offered here.
  platform::MenuItem& N1 = PopupMenu1.Add("написать"_cp1251, {.enabled = false});
  platform::MenuItem& N21 = PopupMenu1.Add("2");
  platform::MenuItem& N31 = PopupMenu1.Add("3");

  void BitBtn1Click();  // Bsearch
  void BitBtn2Click() { Hide(); }  // Bstop
  void VBcloseclick() { Hide(); }
  void CEidClick(platform::ColorEdit& clicked) { clicked.SetText(""); }
  void SGsearchMouseMove(POINT at) { pointer_ = at; }
  bool PopupMenu1Popup();
  void N21Click();
  void N31Click();
  void SGsearchDblClick();
  void SGsearchDrawCell(HDC dc, platform::GridCell cell, const RECT& area);

 protected:
  void FormActivate() override { BringToTop(); }
  void FormPaint(HDC dc) override { skin().Draw(dc, 0, 0); }

 private:
  protocol::SearchCriteria Criteria() const;

  logic::Outbox& outbox_;
  logic::Notices& notices_;
  lists::ListTable& results_;
  POINT pointer_{};
  platform::FileBitmaps status_icons_;
};

}  // namespace ozl
