#include "app/session.h"

#include "platform/effects.h"
#include "platform/form.h"
#include "protocol/commands.h"
#include "text/cp1251.h"

namespace ozl {

Session::Session(protocol::Connector& connector, Host& host)
    : host_(host), transport_(connector, *this, OZL_SERVER_HOST, platform::SecureRandomWord) {
  RxTrayIcon1.on_double_click = [this] { RxTrayIcon1DblClick(); };
}

Session::~Session() { transport_.Shutdown(); }

void Session::SendLogout() {
  SendText(protocol::LogoutCommand());
  awaiting_logout_ = true;
  LogoutTimer.Start();
}

void Session::ShowServerUnavailable() {
  // A logout that cannot reach the server has nothing left to wait for.
  if (awaiting_logout_) return host_.CloseMainWindow();
  ViewInfo(std::string("Извините, OZL сервер недоступен!"_cp1251));
}

void Session::CommandRefused(const std::string& command) {
  if (awaiting_logout_) return host_.CloseMainWindow();
  host_.CommandRefused(command);
}

void Session::ShowProxyRefused() {
  if (awaiting_logout_) return host_.CloseMainWindow();
  ViewInfo(std::string("Прокси-сервер отказал в доступе: проверьте логин и пароль прокси."_cp1251));
}

void Session::ShowError(const std::string& text) {
  if (awaiting_logout_) return host_.CloseMainWindow();
  platform::effects().error_box(text);
}

void Session::PlaySound(const std::string& command) { platform::effects().play_sound(command); }

void Session::RxTrayIcon1DblClick() { platform::Form::ShowAllFromTray(); }

}  // namespace ozl
