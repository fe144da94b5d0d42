#include "platform/winsock_connector.h"

#include <ws2tcpip.h>

#include <cstring>
#include <vector>

#include "platform/system_message.h"

namespace ozl::platform {
namespace {

constexpr UINT kResolvedMessage = WM_APP + 2;
constexpr UINT kFailLaterMessage = WM_APP + 3;
constexpr UINT kReadMoreMessage = WM_APP + 4;

// A socket's number is given to the next socket as soon as it is closed, while notices about the
// closed one may still wait in the queue: each exchange's notices come with a message of its own.
constexpr UINT kSocketMessageFirst = WM_APP + 0x100;
constexpr UINT kSocketMessageCount = 0x1000;

UINT SocketMessage(protocol::RequestId id) {
  return kSocketMessageFirst + static_cast<UINT>(id % kSocketMessageCount);
}

std::string SocketErrorText(int error) {
  return SystemMessage(static_cast<DWORD>(error), "Socket Error # " + std::to_string(error));
}

}  // namespace

struct WinsockConnector::Exchange {
  protocol::RequestId id;
  int port;
  std::string request;
  std::size_t sent = 0;
  std::string response;
  UniqueSocket socket;
  HANDLE lookup = nullptr;
  std::vector<char> host_entry;
  bool connected = false;
  bool closed = false;  // the server has closed: what waits in the socket is the rest
};

WinsockConnector::WinsockConnector(int time_limit_ms) : time_limit_ms_(time_limit_ms) {
  WSADATA data;
  winsock_started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  Spec spec;
  spec.class_name = L"OzlConnector";
  spec.parent = HWND_MESSAGE;
  Create(spec);
}

WinsockConnector::~WinsockConnector() {
  for (auto& [id, exchange] : exchanges_) {
    if (exchange->lookup) WSACancelAsyncRequest(exchange->lookup);
    KillTimer(hwnd(), static_cast<UINT_PTR>(id));
  }
  exchanges_.clear();
  Destroy();
  if (winsock_started_) WSACleanup();
}

void WinsockConnector::Start(protocol::RequestId id, const protocol::Endpoint& destination,
                             std::string request) {
  auto exchange = std::make_unique<Exchange>();
  exchange->id = id;
  exchange->port = destination.port;
  exchange->request = std::move(request);
  Exchange& started = *exchange;
  exchanges_[id] = std::move(exchange);
  SetTimer(hwnd(), static_cast<UINT_PTR>(id), static_cast<UINT>(time_limit_ms_), nullptr);

  // Outcomes are always reported later, from the message loop, never from inside Start.
  if (!winsock_started_ || destination.port <= 0 || destination.port > 65535) {
    PostMessageW(hwnd(), kFailLaterMessage, static_cast<WPARAM>(id),
                 static_cast<LPARAM>(protocol::FailureKind::kConnectFailed));
    return;
  }
  in_addr literal{};
  if (!destination.host.empty() && InetPtonA(AF_INET, destination.host.c_str(), &literal) == 1) {
    Connect(started, literal);
    return;
  }
  started.host_entry.resize(MAXGETHOSTSTRUCT);
  started.lookup = WSAAsyncGetHostByName(hwnd(), kResolvedMessage, destination.host.c_str(),
                                         started.host_entry.data(),
                                         static_cast<int>(started.host_entry.size()));
  if (!started.lookup) {
    PostMessageW(hwnd(), kFailLaterMessage, static_cast<WPARAM>(id),
                 static_cast<LPARAM>(protocol::FailureKind::kUnresolvedHost));
  }
}

void WinsockConnector::Connect(Exchange& exchange, in_addr address) {
  exchange.socket.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!exchange.socket ||
      WSAAsyncSelect(exchange.socket.get(), hwnd(), SocketMessage(exchange.id),
                     FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    PostMessageW(hwnd(), kFailLaterMessage, static_cast<WPARAM>(exchange.id),
                 static_cast<LPARAM>(protocol::FailureKind::kConnectFailed));
    return;
  }
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<u_short>(exchange.port));
  target.sin_addr = address;
  if (connect(exchange.socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof(target)) ==
          SOCKET_ERROR &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    PostMessageW(hwnd(), kFailLaterMessage, static_cast<WPARAM>(exchange.id),
                 static_cast<LPARAM>(protocol::FailureKind::kConnectFailed));
  }
}

LRESULT WinsockConnector::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= kSocketMessageFirst && message < kSocketMessageFirst + kSocketMessageCount) {
    OnSocketEvent(message, static_cast<SOCKET>(wparam), WSAGETSELECTEVENT(lparam), WSAGETSELECTERROR(lparam));
    return 0;
  }
  switch (message) {
    case kResolvedMessage:
      OnResolved(reinterpret_cast<HANDLE>(wparam), WSAGETASYNCERROR(lparam));
      return 0;
    case kReadMoreMessage: {
      const auto found = exchanges_.find(static_cast<protocol::RequestId>(wparam));
      if (found != exchanges_.end()) Read(*found->second);
      return 0;
    }
    case kFailLaterMessage:
      Fail(static_cast<protocol::RequestId>(wparam), static_cast<protocol::FailureKind>(lparam), 0);
      return 0;
    case WM_TIMER:
      Fail(static_cast<protocol::RequestId>(wparam), protocol::FailureKind::kTimedOut, 0);
      return 0;
    default:
      return Window::HandleMessage(message, wparam, lparam);
  }
}

void WinsockConnector::OnResolved(HANDLE lookup, WORD error) {
  for (auto& [id, exchange] : exchanges_) {
    if (exchange->lookup != lookup) continue;
    exchange->lookup = nullptr;
    const auto* entry = reinterpret_cast<const hostent*>(exchange->host_entry.data());
    if (error || !entry->h_addr_list || !entry->h_addr_list[0] || entry->h_length != 4) {
      Fail(id, protocol::FailureKind::kUnresolvedHost, error);
      return;
    }
    in_addr address;
    std::memcpy(&address, entry->h_addr_list[0], sizeof(address));
    Connect(*exchange, address);
    return;
  }
}

void WinsockConnector::OnSocketEvent(UINT message, SOCKET socket, WORD event, WORD error) {
  Exchange* exchange = nullptr;
  for (auto& [id, candidate] : exchanges_) {
    if (candidate->socket.get() == socket && SocketMessage(id) == message) exchange = candidate.get();
  }
  if (!exchange) return;  // a late event of an exchange that has already ended
  const protocol::RequestId id = exchange->id;
  switch (event) {
    case FD_CONNECT:
      if (error) {
        Fail(id, protocol::FailureKind::kConnectFailed, error);
        return;
      }
      exchange->connected = true;
      SendMore(*exchange);
      return;
    case FD_WRITE:
      SendMore(*exchange);
      return;
    case FD_READ:
      if (error) {
        Fail(id, protocol::FailureKind::kSocketError, error);
        return;
      }
      Read(*exchange);
      return;
    case FD_CLOSE:
      if (error) {
        Fail(id, protocol::FailureKind::kSocketError, error);
        return;
      }
      // Data may still wait in the socket when the close is reported.
      exchange->closed = true;
      Read(*exchange);
      return;
    default:
      return;
  }
}

void WinsockConnector::SendMore(Exchange& exchange) {
  while (exchange.connected && exchange.sent < exchange.request.size()) {
    const int sent = send(exchange.socket.get(), exchange.request.data() + exchange.sent,
                          static_cast<int>(exchange.request.size() - exchange.sent), 0);
    if (sent == SOCKET_ERROR) {
      const int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) Fail(exchange.id, protocol::FailureKind::kSocketError, error);
      return;
    }
    exchange.sent += static_cast<std::size_t>(sent);
  }
}

void WinsockConnector::Read(Exchange& exchange) {
  char buffer[16384];
  std::size_t taken = 0;
  while (taken < kReadSliceBytes) {
    const int received = recv(exchange.socket.get(), buffer, sizeof(buffer), 0);
    if (received == 0) return Succeed(exchange.id);
    if (received < 0) {
      const int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) return Fail(exchange.id, protocol::FailureKind::kSocketError, error);
      if (exchange.closed) Succeed(exchange.id);
      return;
    }
    // Refused before it is appended: the append past the limit would first double the buffer,
    // a pause of the whole program for an answer that is dropped anyway.
    if (exchange.response.size() + static_cast<std::size_t>(received) > kMaxResponseBytes) {
      return Fail(exchange.id, protocol::FailureKind::kSocketError, 0);
    }
    exchange.response.append(buffer, static_cast<std::size_t>(received));
    taken += static_cast<std::size_t>(received);
  }
  PostMessageW(hwnd(), kReadMoreMessage, static_cast<WPARAM>(exchange.id), 0);
}

void WinsockConnector::Succeed(protocol::RequestId id) {
  const auto found = exchanges_.find(id);
  if (found == exchanges_.end()) return;
  KillTimer(hwnd(), static_cast<UINT_PTR>(id));
  const std::string response = std::move(found->second->response);
  exchanges_.erase(found);
  if (transport_) transport_->Completed(id, response);
}

void WinsockConnector::Fail(protocol::RequestId id, protocol::FailureKind kind, int error) {
  const auto found = exchanges_.find(id);
  if (found == exchanges_.end()) return;
  KillTimer(hwnd(), static_cast<UINT_PTR>(id));
  if (found->second->lookup) WSACancelAsyncRequest(found->second->lookup);
  exchanges_.erase(found);
  std::string text;
  if (kind == protocol::FailureKind::kSocketError) {
    text = error ? SocketErrorText(error) : "The server's answer is too large";
  }
  if (transport_) transport_->Failed(id, {kind, text});
}

}  // namespace ozl::platform
