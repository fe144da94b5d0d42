// The main window: the login the user sees at start. Closing it ends the program.
#pragma once

#include <functional>

#include "platform/edits.h"
#include "platform/form.h"
#include "platform/skinned_form.h"
#include "logic/dispatcher.h"
#include "logic/ports.h"
#include "text/cp1251.h"

namespace ozl {

class TStartForm : public skin::SkinnedForm, public logic::LoginWindow {
 public:
  // The windows the login window opens.
  class Navigation {
   public:
    virtual void ShowRegistration() = 0;
    virtual void ShowProxySettings() = 0;
    // The notice window with the information sign.
    virtual void ShowAuthorship(const std::string& text) = 0;

   protected:
    ~Navigation() = default;
  };

  TStartForm(logic::Outbox& outbox, logic::Notices& notices, Navigation& navigation);

  // logic::LoginWindow
  void Show() override { SkinnedForm::Show(); }
  void Hide() override { SkinnedForm::Hide(); }
  std::string IdText() override { return CEid.Text(); }
  std::string PasswordText() override { return CEpassword.Text(); }
  void SetIdText(const std::string& text) override { CEid.SetText(text); }
  void SetPasswordText(const std::string& text) override { CEpassword.SetText(text); }

  // Controls, as the user sees them.
  platform::Label Lregistry{*this, 20, 34, "Регистрация"_cp1251, RGB(0xEC, 0xDB, 0xBB)};
  platform::Panel Pnewuser{*this, 20, 52, 159, 19, RGB(0xFD, 0xEF, 0xCC)};
  platform::BitmapButton Bnewuser{Pnewuser, 0, 0, platform::Bitmap::FromResource(L"BUTTON_START_BNEWUSER")};
  platform::Label Lstart{*this, 20, 76, "Вход"_cp1251, RGB(0xEC, 0xDB, 0xBB)};
  platform::Label Lid{*this, 20, 102, "Идентификатор"_cp1251, RGB(0xFD, 0xEF, 0xCC)};
  platform::ColorEdit CEid{hwnd(), 112, 96, 65, 21, {}};
  platform::Label Lpassword{*this, 20, 122, "Пароль"_cp1251, RGB(0xFD, 0xEF, 0xCC)};
  platform::ColorEdit CEpassword{hwnd(), 96, 120, 81, 21, {.password = true}};
  platform::Panel Pother{*this, 20, 148, 159, 45, RGB(0xFD, 0xEF, 0xCC)};
  platform::BitmapButton Bproxy{Pother, 0, 0, platform::Bitmap::FromResource(L"BUTTON_START_BPROXY")};
  platform::BitmapButton Bstart{Pother, 4, 26, platform::Bitmap::FromResource(L"BUTTON_START_BSTART")};
  platform::BitmapButton Bclose{Pother, 82, 26, platform::Bitmap::FromResource(L"BUTTON_START_BCLOSE")};
  platform::Panel Psystemmenu{*this, 62, 5, 126, 19, RGB(0xFD, 0xEF, 0xCC)};
  platform::Image iKIV{Psystemmenu, 0, 0, platform::Bitmap::FromResource(L"LOGO")};
  platform::CaptionButton VBabout{Psystemmenu, 68, 3, L"CAPTION_ABOUT"};
  platform::CaptionButton VBminimize{Psystemmenu, 88, 3, L"CAPTION_MINIMIZE"};
  platform::CaptionButton VBclose{Psystemmenu, 108, 3, L"CAPTION_CLOSE"};

  void Bstartclick();
  void Bnewuserclick();
  void Bproxyclick();
  void Bcloseclick();
  void VBaboutclick();
  void VBminimizeclick();
  void VBcloseclick();
  void iKIVClick();
  void CEidKeyDown(WPARAM key);
  void CEpasswordKeyDown(WPARAM key);

 protected:
  CloseAction FormClose() override;

 private:
  logic::Outbox& outbox_;
  logic::Notices& notices_;
  Navigation& navigation_;
};

}  // namespace ozl
