#include "protocol/transport.h"

namespace ozl::protocol {
namespace {

constexpr std::string_view kPing = "#PING";

// A proxy asks for credentials with 407, and some answer wrong ones with 401. The chat server
// itself never asks for any.
bool RefusedByProxy(int status, bool proxied) { return proxied && (status == 407 || status == 401); }

}  // namespace

Transport::Transport(Connector& connector, TransportHost& host, std::string server_host)
    : connector_(connector), host_(host), server_host_(std::move(server_host)) {}

void Transport::SendText(std::string command) {
  if (shut_down_) return;
  if (command == kPing) {
    if (queue_.empty() && !direct_) queue_.push_back({next_serial_++, std::move(command)});
  } else {
    // A ping that has not left yet has nothing to add once a real command waits.
    if (queue_.size() == 1 && queue_.front().command == kPing && !InFlight()) queue_.pop_front();
    queue_.push_back({next_serial_++, std::move(command)});
  }
  if (!InFlight()) StartNextQueued();
}

void Transport::SendDirect(std::string command) {
  if (shut_down_) return;
  direct_ = Direct{next_serial_++, command, true};
  const RequestId id = next_request_;
  Start(std::move(command), {true, direct_->serial});
  if (pumping_ && in_flight_.contains(id)) gate_ = id;
}

void Transport::Poll() {
  if (!InFlight()) SendText(std::string(kPing));
}

void Transport::StartNextQueued() {
  if (direct_ && !direct_->in_flight) {
    direct_->in_flight = true;
    Start(direct_->command, {true, direct_->serial});
  } else if (!queue_.empty()) {
    Start(queue_.front().command, {false, queue_.front().serial});
  }
}

void Transport::Start(std::string command, Carried carried) {
  RequestParams params{server_host_, host_.CurrentProxy(), session_id_, std::move(command)};
  Endpoint destination;
  try {
    destination = Destination(params);
  } catch (const InvalidPortError& error) {
    if (carried.direct && direct_ && direct_->serial == carried.serial) direct_->in_flight = false;
    host_.ShowError(error.message);
    return;
  }
  const RequestId id = next_request_++;
  carried.proxied = params.proxy.use_proxy;
  in_flight_.emplace(id, carried);
  connector_.Start(id, destination, BuildRequest(params));
}

void Transport::Finish(RequestId id, bool delivered) {
  const auto found = in_flight_.find(id);
  if (found == in_flight_.end()) return;
  const Carried carried = found->second;
  in_flight_.erase(found);
  if (carried.direct) {
    if (direct_ && direct_->serial == carried.serial) {
      if (delivered) {
        direct_.reset();
      } else {
        direct_->in_flight = false;
      }
    }
  } else if (delivered && !queue_.empty() && queue_.front().serial == carried.serial) {
    queue_.pop_front();
  }
}

void Transport::Completed(RequestId id, const std::string& raw_response) {
  const auto found = in_flight_.find(id);
  if (found == in_flight_.end() || shut_down_) return;
  Response response = ParseResponse(raw_response);
  // The command never reached the server: like an unreachable one, the user hears of it and the
  // command waits for the next try instead of being lost.
  if (RefusedByProxy(response.status, found->second.proxied)) {
    return Failed(id, {FailureKind::kProxyRefused, ""});
  }
  Finish(id, true);
  if (IsDispatched(response)) {
    std::vector<std::string> lines = SplitBody(response.body);
    if (gate_ && *gate_ == id) {
      ready_lines_.insert(ready_lines_.begin(), std::make_move_iterator(lines.begin()),
                          std::make_move_iterator(lines.end()));
    } else {
      ready_lines_.insert(ready_lines_.end(), std::make_move_iterator(lines.begin()),
                          std::make_move_iterator(lines.end()));
    }
    last_response_ = std::move(response);
  }
  if (gate_ && *gate_ == id) gate_.reset();
  Pump();
  // Commands that queued up during the request leave now, one request each.
  if (!shut_down_ && !InFlight()) StartNextQueued();
}

void Transport::Failed(RequestId id, const Failure& failure) {
  if (!in_flight_.contains(id) || shut_down_) return;
  Finish(id, false);
  switch (failure.kind) {
    case FailureKind::kConnectFailed:
      host_.ShowServerUnavailable();
      host_.ShowError("Connection Failed");
      break;
    case FailureKind::kTimedOut:
      host_.ShowServerUnavailable();
      host_.ShowError("Connection Timed Out");
      break;
    case FailureKind::kUnresolvedHost:
      host_.ShowError("Null Remote Address");
      break;
    case FailureKind::kSocketError:
      host_.ShowError(failure.text);
      break;
    case FailureKind::kProxyRefused:
      host_.ShowProxyRefused();
      break;
  }
  if (gate_ && *gate_ == id) {
    gate_.reset();
    Pump();
  }
}

void Transport::Pump() {
  if (pumping_) return;
  pumping_ = true;
  while (!ready_lines_.empty() && !gate_ && !shut_down_) {
    const std::string line = std::move(ready_lines_.front());
    ready_lines_.pop_front();
    host_.ReceiveText(line);
  }
  pumping_ = false;
}

void Transport::Shutdown() {
  shut_down_ = true;
  queue_.clear();
  direct_.reset();
  ready_lines_.clear();
  gate_.reset();
}

}  // namespace ozl::protocol
