// The main window: the login the user sees at start, and the owner of the session (transport,
// poll timer, tray icon). Closing it ends the program.
#pragma once

#include <functional>

#include "platform/edits.h"
#include "platform/form.h"
#include "skin/skinned_form.h"
#include "platform/timer.h"
#include "platform/tray_icon.h"
#include "protocol/dispatcher.h"
#include "protocol/transport.h"
#include "text/cp1251.h"

namespace ozl {

class Program;

class TStartForm : public skin::SkinnedForm,
                   public protocol::TransportHost,
                   public protocol::SessionLink,
                   public protocol::Shell,
                   public protocol::LoginWindow {
 public:
  TStartForm(Program& program, protocol::Connector& connector);
  ~TStartForm() override;

  // The session.
  void SendText(std::string command) { transport_.SendText(std::move(command)); }
  void SendDirect(std::string command) override { transport_.SendDirect(std::move(command)); }
  void SetSessionId(std::string session_id) override { transport_.SetSessionId(std::move(session_id)); }
  void StartPolling() override { Timer1.Start(); }
  protocol::Transport& transport() { return transport_; }

  // protocol::TransportHost
  protocol::ProxySettings CurrentProxy() override;
  void ReceiveText(const std::string& line) override;
  void ShowServerUnavailable() override;
  void ShowProxyRefused() override;
  void CommandRefused(const std::string& command) override;

  // protocol::Shell
  void ViewInfo(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void PlaySound(const std::string& command) override;
  void StartTrayAnimation() override { RxTrayIcon1.StartAnimation(); }
  void CloseMainWindow() override { Close(); }

  // protocol::LoginWindow
  void Show() override { SkinnedForm::Show(); }
  void Hide() override { SkinnedForm::Hide(); }
  std::string IdText() override { return CEid.Text(); }
  std::string PasswordText() override { return CEpassword.Text(); }
  void SetIdText(const std::string& text) override { CEid.SetText(text); }
  void SetPasswordText(const std::string& text) override { CEpassword.SetText(text); }

  // After the user confirmed a logout: the program ends with the server's "#D", or when the
  // logout cannot reach the server, or when no answer has come within LogoutTimer's interval.
  void AwaitLogout();
  void LogoutTimerTimer() { Close(); }

  // Closed message windows are destroyed once the handlers that closed them have returned.
  void ReleaseRetiredLater();

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
  platform::Timer Timer1{10000, [this] { transport_.Poll(); }};
  platform::TrayIcon RxTrayIcon1{"OZL"};
  platform::Timer LogoutTimer{10000, [this] { LogoutTimerTimer(); }};

  void Bstartclick();
  void Bnewuserclick();
  void Bproxyclick();
  void Bcloseclick();
  void VBaboutclick();
  void VBminimizeclick();
  void VBcloseclick();
  void iKIVClick();
  void RxTrayIcon1DblClick();
  void CEidKeyDown(WPARAM key);
  void CEpasswordKeyDown(WPARAM key);

 protected:
  CloseAction FormClose() override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  Program& program_;
  protocol::Transport transport_;
  bool awaiting_logout_ = false;
};

}  // namespace ozl
