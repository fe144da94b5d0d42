#include "protocol/transport.h"

#include <algorithm>

#include "protocol/commands.h"

namespace ozl::protocol {
namespace {

constexpr std::string_view kPing = "#PING";

bool AsksForLogin(const std::vector<std::string>& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& line) { return Recognise(line).code == Incoming::kLogInAgain; });
}

// 64 bits, so that two runs of the client for one user practically never share an instance: a
// command of the newer run would pass for one the older run had already sent.
std::uint64_t DrawInstance(const RandomWords& random) {
  const std::uint64_t high = random();
  return high << 32 | random();
}

}  // namespace

Transport::Transport(Connector& connector, TransportHost& host, std::string server_host, const RandomWords& random)
    : connector_(connector), host_(host), server_host_(std::move(server_host)), instance_(DrawInstance(random)) {}

void Transport::SendText(std::string command) {
  if (shut_down_) return;
  held_ = false;
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
  RequestParams params{server_host_, host_.CurrentProxy(), session_id_, std::move(command),
                       carried.direct ? "" : CommandMark(instance_, carried.serial)};
  Endpoint destination;
  try {
    destination = Destination(params);
  } catch (const InvalidPortError& error) {
    if (carried.direct && direct_ && direct_->serial == carried.serial) direct_->in_flight = false;
    ShowError(error.message);
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
  const Carried carried = found->second;
  error_since_answer_.clear();
  Response response = ParseResponse(raw_response);
  // Answers that say the command was not carried out fail like an unreachable server: the user
  // hears of it and the command waits for the next try instead of being lost.
  switch (Judge(response, carried.proxied)) {
    case Verdict::kProxyRefused:
      return Failed(id, {FailureKind::kProxyRefused, ""});
    case Verdict::kServerBusy:
      return Failed(id, {FailureKind::kServerBusy, ""});
    case Verdict::kIncomplete:
      return Failed(id, {FailureKind::kBadAnswer, "The server's answer is incomplete"});
    case Verdict::kNotHttp:
      return Failed(id, {FailureKind::kBadAnswer, "The server's answer is not HTTP"});
    case Verdict::kRefused: {
      const std::string command = CarriedCommand(carried);
      Finish(id, true);
      if (!command.empty() && command != kPing) host_.CommandRefused(command);
      break;
    }
    case Verdict::kDispatched: {
      std::vector<std::string> lines = SplitBody(response.body);
      Finish(id, !KeepUndone(carried, lines));
      const auto where = gate_ && *gate_ == id ? ready_lines_.begin() : ready_lines_.end();
      ready_lines_.insert(where, std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
      last_response_ = std::move(response);
      break;
    }
  }
  if (gate_ && *gate_ == id) gate_.reset();
  Pump();
  // Commands that queued up during the request leave now, one request each.
  if (!shut_down_ && !InFlight() && !held_) StartNextQueued();
}

std::string Transport::CarriedCommand(const Carried& carried) const {
  if (carried.direct) return direct_ && direct_->serial == carried.serial ? direct_->command : "";
  return !queue_.empty() && queue_.front().serial == carried.serial ? queue_.front().command : "";
}

bool Transport::KeepUndone(const Carried& carried, const std::vector<std::string>& lines) {
  if (carried.direct || queue_.empty() || queue_.front().serial != carried.serial ||
      queue_.front().command == kPing || !AsksForLogin(lines)) {
    return false;
  }
  held_ = queue_.front().undone;
  queue_.front().undone = true;
  return true;
}

void Transport::Failed(RequestId id, const Failure& failure) {
  if (!in_flight_.contains(id) || shut_down_) return;
  Finish(id, false);
  switch (failure.kind) {
    case FailureKind::kConnectFailed:
      host_.ShowServerUnavailable();
      ShowError("Connection Failed");
      break;
    case FailureKind::kTimedOut:
      host_.ShowServerUnavailable();
      ShowError("Connection Timed Out");
      break;
    case FailureKind::kUnresolvedHost:
      ShowError("Null Remote Address");
      break;
    case FailureKind::kSocketError:
      ShowError(failure.text);
      break;
    case FailureKind::kProxyRefused:
      host_.ShowProxyRefused();
      break;
    case FailureKind::kServerBusy:
      host_.ShowServerUnavailable();
      break;
    case FailureKind::kBadAnswer:
      ShowError(failure.text);
      break;
  }
  if (gate_ && *gate_ == id) {
    gate_.reset();
    Pump();
  }
}

void Transport::ShowError(const std::string& text) {
  if (text == error_since_answer_) return;
  error_since_answer_ = text;
  host_.ShowError(text);
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
