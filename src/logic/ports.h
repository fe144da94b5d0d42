// The small interfaces through which a window reaches the session and the user. A window is
// given the ones it needs, never the program or another window; the session implements them.
#pragma once

#include <string>

#include "protocol/request.h"

namespace ozl::logic {

// Where windows send commands.
class Outbox {
 public:
  virtual ~Outbox() = default;
  // Waits its turn: one command per request, in order, each exactly once.
  virtual void SendText(std::string command) = 0;
  // Sends at once, whatever is in flight (login, registration, the probe).
  virtual void SendDirect(std::string command) = 0;
  // The number the following requests carry in their Session header.
  virtual void SetSessionId(std::string session_id) = 0;
  // The proxy the following requests go through, as the proxy window's controls say now.
  virtual void UseProxy(protocol::ProxySettings settings) = 0;
  // Sends the logout; the program ends with the server's "#D", or when the logout cannot reach
  // the server, or when no answer has come within 10 s.
  virtual void SendLogout() = 0;
  // Nothing is sent or dispatched any more: the program is ending.
  virtual void Shutdown() = 0;
};

// How the program speaks to the user.
class Notices {
 public:
  virtual ~Notices() = default;
  // The stay-on-top notice window; a new notice replaces the text of a visible one.
  virtual void ViewInfo(const std::string& text) = 0;
  // The standard error box, for failures such as a file that cannot be written.
  virtual void ShowError(const std::string& text) = 0;
  // A multimedia command such as "play sound/onprivat.wav", started without waiting; failures
  // are ignored.
  virtual void PlaySound(const std::string& command) = 0;
};

}  // namespace ozl::logic
