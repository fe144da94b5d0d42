// The session: the transport with its poll timer, the tray icon and the proxy in force. Every
// window sends through it (logic::Outbox) and speaks to the user through it (logic::Notices); the
// dispatcher reaches it as its session link and shell, the transport as its host.
#pragma once

#include <string>

#include "logic/dispatcher.h"
#include "logic/ports.h"
#include "platform/timer.h"
#include "platform/tray_icon.h"
#include "protocol/transport.h"

namespace ozl {

class Session final : public protocol::TransportHost,
                      public logic::SessionLink,
                      public logic::Shell,
                      public logic::Outbox {
 public:
  // What the session reaches around it: the program answers with its windows and the dispatcher.
  class Host {
   public:
    // The notice window shows the text.
    virtual void ShowNotice(const std::string& text) = 0;
    // A line of the server's answer takes effect.
    virtual void Dispatch(const std::string& line) = 0;
    // The server would not take a command: the user hears of it, and what was typed goes back.
    virtual void CommandRefused(const std::string& command) = 0;
    // Closes the main window, which ends the program.
    virtual void CloseMainWindow() = 0;

   protected:
    ~Host() = default;
  };

  Session(protocol::Connector& connector, Host& host);
  ~Session() override;

  protocol::Transport& transport() { return transport_; }

  // logic::Outbox
  void SendText(std::string command) override { transport_.SendText(std::move(command)); }
  void SendDirect(std::string command) override { transport_.SendDirect(std::move(command)); }
  void SetSessionId(std::string session_id) override { transport_.SetSessionId(std::move(session_id)); }
  void UseProxy(protocol::ProxySettings settings) override { proxy_ = std::move(settings); }
  void SendLogout() override;
  void Shutdown() override { transport_.Shutdown(); }

  // logic::SessionLink
  void StartPolling() override { Timer1.Start(); }

  // protocol::TransportHost
  protocol::ProxySettings CurrentProxy() override { return proxy_; }
  void ReceiveText(const std::string& line) override { host_.Dispatch(line); }
  void ShowServerUnavailable() override;
  void ShowProxyRefused() override;
  void CommandRefused(const std::string& command) override;

  // logic::Shell
  void ViewInfo(const std::string& text) override { host_.ShowNotice(text); }
  void ShowError(const std::string& text) override;
  void PlaySound(const std::string& command) override;
  void StartTrayAnimation() override { RxTrayIcon1.StartAnimation(); }
  void CloseMainWindow() override { host_.CloseMainWindow(); }

  void LogoutTimerTimer() { host_.CloseMainWindow(); }
  void RxTrayIcon1DblClick();

  platform::Timer Timer1{10000, [this] { transport_.Poll(); }};
  platform::TrayIcon RxTrayIcon1{"OZL"};
  platform::Timer LogoutTimer{10000, [this] { LogoutTimerTimer(); }};

 private:
  Host& host_;
  protocol::Transport transport_;
  protocol::ProxySettings proxy_;
  bool awaiting_logout_ = false;
};

}  // namespace ozl
