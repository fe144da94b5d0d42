// The outgoing side of the session and the hand-over of the server's answers.
//
// Commands given to SendText wait in a queue and leave one per request, in order, each exactly
// once: a command whose request failed stays first and goes with the next request. A "#PING"
// is queued only when nothing waits, so a poll never displaces a command. A direct send (login,
// re-login, registration, probe) starts at once even while another request is in flight; after
// a failure it waits to be resent like a queued command, unless a newer direct send replaced it.
//
// Requests are carried by a Connector, which reports back later on the same thread; nothing
// here blocks. The lines of a response reach the dispatcher in order; when a line makes the
// dispatcher send directly (the re-login), the rest of that response is held back until the
// direct request has been answered, so its lines come first. A command answered with "#0" (the
// server no longer knows the session) was not carried out: it goes again after the re-login.
//
// A command may go again although the server has carried it out (its answer was lost on the
// way), so every queued command carries a mark: this transport's instance, drawn at random once,
// and the command's own number. A command sent again carries the same mark, by which the server
// knows it has already done it. Direct sends carry no mark: their bytes stay as they always were.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/request.h"
#include "protocol/response.h"
#include "protocol/session_id.h"

namespace ozl::protocol {

using RequestId = std::uint64_t;

enum class FailureKind {
  kConnectFailed,   // the server (or proxy) could not be reached
  kUnresolvedHost,  // the host name has no address
  kTimedOut,        // no complete answer within the time limit
  kSocketError,     // anything else while sending or reading
  kProxyRefused,    // the proxy wants other credentials
  kServerBusy,      // the server answered that it cannot take the command now
  kBadAnswer,       // an answer cut short, or not HTTP at all
};

struct Failure {
  FailureKind kind = FailureKind::kSocketError;
  std::string text;  // for kSocketError: the system's description
};

// A server that never closes the connection would otherwise hold the poll forever.
inline constexpr int kRequestTimeLimitMs = 60'000;

class Connector {
 public:
  virtual ~Connector() = default;
  // Starts one exchange. The outcome arrives later through Transport::Completed or
  // Transport::Failed, never from inside Start.
  virtual void Start(RequestId id, const Endpoint& destination, std::string request) = 0;
};

// What the transport needs from the program around it.
class TransportHost {
 public:
  virtual ~TransportHost() = default;
  virtual ProxySettings CurrentProxy() = 0;
  virtual void ReceiveText(const std::string& line) = 0;
  virtual void ShowServerUnavailable() = 0;           // the Russian notice
  virtual void ShowProxyRefused() = 0;                // the same for wrong proxy credentials
  virtual void ShowError(const std::string& text) = 0;  // the standard error box
  // The server answered that it will not take `command`; sending it again would not help.
  virtual void CommandRefused(const std::string& command) = 0;
};

class Transport {
 public:
  // The instance is drawn from `random` here, once.
  Transport(Connector& connector, TransportHost& host, std::string server_host, const RandomWords& random);

  void SendText(std::string command);
  void SendDirect(std::string command);
  // The poll tick: does nothing while a request is in flight.
  void Poll();

  void SetSessionId(std::string session_id) { session_id_ = std::move(session_id); }
  const std::string& SessionId() const { return session_id_; }

  bool InFlight() const { return !in_flight_.empty(); }
  std::size_t WaitingCount() const { return queue_.size() + (direct_ && !direct_->in_flight ? 1 : 0); }

  // The header and body of the last dispatched response, kept for inspection.
  const Response& LastResponse() const { return last_response_; }

  // After this nothing is sent or dispatched any more: the program is ending.
  void Shutdown();

  // Connector callbacks.
  void Completed(RequestId id, const std::string& raw_response);
  void Failed(RequestId id, const Failure& failure);

 private:
  struct Queued {
    std::uint64_t serial;
    std::string command;
    bool undone = false;  // a server that did not know the session has answered it once
  };
  struct Direct {
    std::uint64_t serial;
    std::string command;
    bool in_flight;
  };
  struct Carried {
    bool direct;
    std::uint64_t serial;
    bool proxied = false;
  };

  void StartNextQueued();
  void Start(std::string command, Carried carried);
  void Finish(RequestId id, bool delivered);
  // Whether the command a "#0" answered stays first, to go again after the re-login.
  bool KeepUndone(const Carried& carried, const std::vector<std::string>& lines);
  // The command a request carries, while it still waits to be taken.
  std::string CarriedCommand(const Carried& carried) const;
  void Pump();
  // The error box, unless the same error has been shown since the server last answered: while
  // a server is down every poll fails alike, and the unavailable notice already says so.
  void ShowError(const std::string& text);

  Connector& connector_;
  TransportHost& host_;
  std::string server_host_;
  std::uint64_t instance_;
  std::string session_id_;
  std::deque<Queued> queue_;
  std::optional<Direct> direct_;
  std::map<RequestId, Carried> in_flight_;
  std::string error_since_answer_;
  // The first waiting command came back undone again after a re-login: it waits for the next
  // call or poll instead of chasing a server that will not take it.
  bool held_ = false;
  std::uint64_t next_serial_ = 1;
  RequestId next_request_ = 1;
  Response last_response_;

  // Lines wait here to be dispatched, in order. While a direct request started by a dispatched
  // line is answered (the gate), they stay; its answer's lines are put in front of them. A line
  // may open a modal loop in which another answer arrives: its lines join the end.
  std::deque<std::string> ready_lines_;
  std::optional<RequestId> gate_;
  bool pumping_ = false;
  bool shut_down_ = false;
};

}  // namespace ozl::protocol
