#include "app/start_form.h"

#include <algorithm>

#include "app/program.h"
#include "directory/info_form.h"
#include "directory/registry_form.h"
#include "platform/effects.h"
#include "protocol/commands.h"
#include "protocol/session_id.h"
#include "settings/proxy_form.h"

namespace ozl {
namespace {

constexpr UINT kReleaseRetiredMessage = WM_APP + 20;

}  // namespace

TStartForm::TStartForm(Program& program, protocol::Connector& connector)
    : SkinnedForm({.client_width = 197,
                   .client_height = 215,
                   .cursor = LoadCursorW(nullptr, IDC_HAND),
                   .skin = L"SKIN_START",
                   .title = "OZL"},
                  {.class_name = "TStartForm", .client_drag = true}),
      program_(program),
      transport_(connector, *this, OZL_SERVER_HOST, platform::SecureRandomWord) {
  Bnewuser.on_click = [this] { Bnewuserclick(); };
  Bproxy.on_click = [this] { Bproxyclick(); };
  Bstart.on_click = [this] { Bstartclick(); };
  Bclose.on_click = [this] { Bcloseclick(); };
  VBabout.on_click = [this] { VBaboutclick(); };
  VBminimize.on_click = [this] { VBminimizeclick(); };
  VBclose.on_click = [this] { VBcloseclick(); };
  iKIV.on_click = [this] { iKIVClick(); };
  iKIV.SetCursor(LoadCursorW(nullptr, IDC_HAND));
  RxTrayIcon1.on_double_click = [this] { RxTrayIcon1DblClick(); };
  CEid.on_key_down = [this](WPARAM key) { CEidKeyDown(key); };
  CEpassword.on_key_down = [this](WPARAM key) { CEpasswordKeyDown(key); };
  PlaySound("play sound/oncreate.wav");
}

TStartForm::~TStartForm() { transport_.Shutdown(); }

void TStartForm::ViewInfo(const std::string& text) {
  TInfoForm& info = *program_.InfoForm;
  info.Linfo.SetCaption(text);
  // The title names the notice for the window list and for assistive tools.
  std::string title = text.substr(0, 256);
  std::replace(title.begin(), title.end(), '\r', ' ');
  std::replace(title.begin(), title.end(), '\n', ' ');
  info.SetText(title);
  info.BringToTop();
  info.Show();
}

protocol::ProxySettings TStartForm::CurrentProxy() {
  return program_.ProxyForm ? program_.ProxyForm->CurrentSettings() : protocol::ProxySettings{};
}

void TStartForm::ReceiveText(const std::string& line) { program_.ReceiveText(line); }

void TStartForm::AwaitLogout() {
  awaiting_logout_ = true;
  LogoutTimer.Start();
}

void TStartForm::ShowServerUnavailable() {
  // A logout that cannot reach the server has nothing left to wait for.
  if (awaiting_logout_) return Close();
  ViewInfo(std::string("Извините, OZL сервер недоступен!"_cp1251));
}

void TStartForm::ShowProxyRefused() {
  if (awaiting_logout_) return Close();
  ViewInfo(std::string("Прокси-сервер отказал в доступе: проверьте логин и пароль прокси."_cp1251));
}

void TStartForm::ShowError(const std::string& text) {
  if (awaiting_logout_) return Close();
  platform::effects().error_box(text);
}

void TStartForm::PlaySound(const std::string& command) { platform::effects().play_sound(command); }

void TStartForm::ReleaseRetiredLater() { PostMessageW(hwnd(), kReleaseRetiredMessage, 0, 0); }

LRESULT TStartForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kReleaseRetiredMessage) {
    program_.ReleaseRetired();
    return 0;
  }
  return SkinnedForm::HandleMessage(message, wparam, lparam);
}

void TStartForm::Bstartclick() {
  if (!Bstart.ClickLatch.Flip()) return;
  transport_.SetSessionId(
      protocol::RandomSessionId(protocol::kLoginSessionBound, platform::SecureRandomWord));
  SendDirect(protocol::LoginCommand(CEid.Text(), CEpassword.Text()));
}

void TStartForm::CEidKeyDown(WPARAM key) {
  if (key != VK_RETURN) return;
  // The handler expects the two notifications of a button click: two calls make one login.
  Bstartclick();
  Bstartclick();
}

void TStartForm::CEpasswordKeyDown(WPARAM key) { CEidKeyDown(key); }

void TStartForm::Bnewuserclick() {
  if (!Bnewuser.ClickLatch.Flip()) return;
  program_.RegistryForm->Show();
  Hide();
  PlaySound("play sound/Beep.wav");
}

void TStartForm::Bproxyclick() {
  if (!Bproxy.ClickLatch.Flip()) return;
  PlaySound("play sound/Beep.wav");
  program_.ProxyForm->Show();
}

void TStartForm::Bcloseclick() { Close(); }

void TStartForm::VBaboutclick() {
  TInfoForm& info = *program_.InfoForm;
  info.ShowIcon = 1;
  info.Linfo.SetTop(TInfoForm::kAuthorshipLabelTop);
  ViewInfo(std::string(
      "OZL: команда разработчиков OZL, dev@ozl.example\r\n"
      "      2002 (c) OZL\r\n"
      "      Все права защищены."_cp1251));
  info.ShowIcon = 0;
}

void TStartForm::VBminimizeclick() { platform::Form::HideAllToTray(); }

void TStartForm::RxTrayIcon1DblClick() { platform::Form::ShowAllFromTray(); }

void TStartForm::VBcloseclick() { SendMessageW(hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }

void TStartForm::iKIVClick() { platform::effects().open_url(kPortalUrl, hwnd()); }

platform::Form::CloseAction TStartForm::FormClose() {
  // Whatever still waits to be sent is abandoned; no logout is sent from here.
  transport_.Shutdown();
  PostQuitMessage(0);
  return CloseAction::kDestroy;
}

}  // namespace ozl
