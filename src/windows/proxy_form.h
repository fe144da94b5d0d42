// The proxy settings window. Its check boxes and fields are the settings every request goes
// through: each change is handed to the session at once, applied or not. "Proxy.cfg" is their
// stored copy, loaded at start and written by Apply.
#pragma once

#include "logic/ports.h"
#include "platform/buttons.h"
#include "platform/edits.h"
#include "platform/files.h"
#include "platform/form.h"
#include "protocol/request.h"
#include "settings/proxy_config.h"
#include "platform/skinned_form.h"
#include "text/cp1251.h"

namespace ozl {

class TProxyForm : public skin::SkinnedForm {
 public:
  TProxyForm(logic::Outbox& outbox, logic::Notices& notices);

  // Loads "Proxy.cfg" when there is one and then probes the server through what it says.
  void FormCreate();

  // What the controls say now.
  protocol::ProxySettings CurrentSettings() const;

  // The record as the file holds it (all zero until loaded or applied).
  settings::ProxyConfig Config;

  // Controls; the windowed ones in their tab order.
  platform::Label Luseproxy{*this, 20, 32, "Использовать прокси"_cp1251, 12311532};
  platform::Label Lproxy{*this, 20, 51, "Прокси-сервер"_cp1251, 13430781};
  platform::Label Lproxyport{*this, 144, 51, "Порт"_cp1251, 13430781};
  platform::Label Luseproxyauthorization{*this, 20, 99, "Авторизация"_cp1251, 12311532};
  platform::Label Label1{*this, 20, 126, "Логин"_cp1251, 13430781};
  platform::Label Label2{*this, 20, 152, "Пароль"_cp1251, 13430781};
  platform::CheckBox Cuseproxy{hwnd(), 164, 31, 17, 15, 12311532};
  platform::CheckBox Cuseproxyauthorization{hwnd(), 164, 98, 17, 15, 12311532};
  platform::Panel Panel1{*this, 24, 174, 153, 19, 13430781};
  platform::BitmapButton bApply{Panel1, 0, 0, platform::Bitmap::FromResource(L"BUTTON_PROXY_BAPPLY")};
  platform::BitmapButton bCancel{Panel1, 80, 0, platform::Bitmap::FromResource(L"BUTTON_PROXY_BCANCEL")};
  platform::ColorEdit CEproxy{hwnd(), 16, 70, 113, 21, {}};
  platform::ColorEdit CEproxyport{hwnd(), 144, 70, 37, 21, {}};
  platform::ColorEdit CElogin{hwnd(), 64, 124, 117, 21, {}};
  platform::ColorEdit CEpassword{hwnd(), 64, 148, 117, 21, {.password = true}};
  platform::Panel Psystemmenu{*this, 150, 6, 36, 13, 14284027};
  platform::CaptionButton VantalButton1{Psystemmenu, 20, 0, L"CAPTION_CLOSE"};

  void CuseproxyClick();
  void CuseproxyauthorizationClick();
  void bApplyclick();
  void bCancelclick() { Hide(); }

 private:
  void Probe();
  // The session routes the next request as the controls say now.
  void HandOver();

  logic::Outbox& outbox_;
  logic::Notices& notices_;
  platform::Win32FileSystem files_;
};

}  // namespace ozl
