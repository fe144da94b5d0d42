// Carries requests over non-blocking sockets whose progress arrives as window messages on the
// user-interface thread: no thread, no nested loop, and closing anything mid-request is harmless.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>

#include "platform/handles.h"
#include "platform/window.h"
#include "protocol/transport.h"

namespace ozl::platform {

class WinsockConnector : public protocol::Connector, private Window {
 public:
  explicit WinsockConnector(int time_limit_ms = protocol::kRequestTimeLimitMs);
  ~WinsockConnector() override;

  // Where outcomes go; set once the transport exists.
  void SetTransport(protocol::Transport* transport) { transport_ = transport; }

  void Start(protocol::RequestId id, const protocol::Endpoint& destination,
             std::string request) override;

  // More than this from one server is no answer but an attack on memory.
  static constexpr std::size_t kMaxResponseBytes = 64u << 20;
  // An answer arriving faster than it is read would otherwise keep the thread reading, and every
  // window waiting: after this much the rest is read from a message of its own.
  static constexpr std::size_t kReadSliceBytes = 256u << 10;

 private:
  struct Exchange;

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Connect(Exchange& exchange, in_addr address);
  void OnSocketEvent(UINT message, SOCKET socket, WORD event, WORD error);
  void OnResolved(HANDLE lookup, WORD error);
  void SendMore(Exchange& exchange);
  void Read(Exchange& exchange);
  void Succeed(protocol::RequestId id);
  void Fail(protocol::RequestId id, protocol::FailureKind kind, int error);

  int time_limit_ms_;
  protocol::Transport* transport_ = nullptr;
  bool winsock_started_ = false;
  std::map<protocol::RequestId, std::unique_ptr<Exchange>> exchanges_;
};

}  // namespace ozl::platform
