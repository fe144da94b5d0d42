#include "server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

#include "http.h"
#include "log.h"

namespace ozl::server {
namespace {

constexpr std::uint64_t kListenerTag = 0;
constexpr std::uint64_t kStopTag = 1;
constexpr std::uint64_t kPasswordTag = 2;
constexpr std::uint64_t kFirstConnection = 3;
constexpr std::chrono::seconds kIdleSweepInterval{1};

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

UniqueFd Listen(const std::string& host, std::uint16_t port, std::uint16_t& bound_port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) {
    throw std::system_error(EINVAL, std::generic_category(), "address " + host + ": " + gai_strerror(status));
  }
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
  UniqueFd socket_fd(socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!socket_fd) ThrowErrno("socket");
  const int yes = 1;
  setsockopt(socket_fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  // A connection is handed over only once its first bytes are there, so it can be read at once.
  const int defer_seconds = 5;
  setsockopt(socket_fd.get(), IPPROTO_TCP, TCP_DEFER_ACCEPT, &defer_seconds, sizeof defer_seconds);
  if (bind(socket_fd.get(), found->ai_addr, found->ai_addrlen) != 0) ThrowErrno("bind");
  if (listen(socket_fd.get(), SOMAXCONN) != 0) ThrowErrno("listen");
  sockaddr_storage local{};
  socklen_t length = sizeof local;
  getsockname(socket_fd.get(), reinterpret_cast<sockaddr*>(&local), &length);
  bound_port = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(local).sin6_port
                                                 : reinterpret_cast<sockaddr_in&>(local).sin_port);
  return socket_fd;
}

std::string PeerAddress(const sockaddr_storage& peer) {
  std::array<char, INET6_ADDRSTRLEN> text{};
  const void* address = peer.ss_family == AF_INET6
                            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr)
                            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in&>(peer).sin_addr);
  if (inet_ntop(peer.ss_family, address, text.data(), text.size()) == nullptr) return "?";
  return text.data();
}

}  // namespace

Server::Server(Chat& chat, const std::string& host, std::uint16_t port, ServerSettings settings)
    : chat_(chat),
      web_(chat),
      settings_(settings),
      port_(0),
      epoll_(epoll_create1(EPOLL_CLOEXEC)),
      listener_(Listen(host, port, port_)),
      stop_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      passwords_(settings.password_threads, settings.max_password_waiting, settings.password_cost),
      next_id_(kFirstConnection) {
  if (!epoll_ || !stop_) ThrowErrno("epoll");
  Watch(listener_.get(), kListenerTag, EPOLLIN, EPOLL_CTL_ADD);
  Watch(stop_.get(), kStopTag, EPOLLIN, EPOLL_CTL_ADD);
  Watch(passwords_.ready_fd(), kPasswordTag, EPOLLIN, EPOLL_CTL_ADD);
}

void Server::Stop() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(stop_.get(), &one, sizeof one);
}

void Server::Run() {
  std::array<epoll_event, 256> events{};
  next_idle_sweep_ = Clock::now() + kIdleSweepInterval;
  // Once asked to stop, no new connection is taken, and the loop runs until every request it has
  // begun is answered (or has run out of time), so nothing confirmed is cut off.
  while (listener_ || !connections_.empty()) {
    const int count = epoll_wait(epoll_.get(), events.data(), static_cast<int>(events.size()),
                                 WaitMilliseconds(Clock::now()));
    if (count < 0 && errno != EINTR) ThrowErrno("epoll_wait");
    const Clock::time_point now = Clock::now();
    for (int i = 0; i < count; ++i) {
      const std::uint64_t tag = events[static_cast<std::size_t>(i)].data.u64;
      if (tag == kStopTag) {
        StopListening();
      } else if (tag == kListenerTag) {
        Accept(now);
      } else if (tag == kPasswordTag) {
        CollectPasswordWork(now);
      } else {
        OnEvent(tag, events[static_cast<std::size_t>(i)].events, now);
      }
    }
    if (now >= next_idle_sweep_) {
      // A database away for a while fails the sweep, not the server: the next one tries again.
      try {
        chat_.ExpireIdle(now);
      } catch (const std::exception& error) {
        LogLine(std::string("error: ") + error.what());
      }
      next_idle_sweep_ = now + kIdleSweepInterval;
    }
    CloseLate(now);
  }
}

void Server::StopListening() {
  if (!listener_) return;
  epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, listener_.get(), nullptr);
  epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, stop_.get(), nullptr);
  listener_.Reset();
}

int Server::WaitMilliseconds(Clock::time_point now) const {
  Clock::time_point wake = next_idle_sweep_;
  if (!deadlines_.empty()) wake = std::min(wake, connections_.at(deadlines_.front()).deadline);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
  return static_cast<int>(std::clamp<long long>(wait, 0, 1000));
}

void Server::Accept(Clock::time_point now) {
  for (int accepted = 0; accepted < 128; ++accepted) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    UniqueFd fd(accept4(listener_.get(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) return;
    // Over the limit the connection is closed at once rather than left to pile up in the backlog.
    if (connections_.size() >= settings_.max_connections) continue;
    const std::uint64_t id = next_id_++;
    Connection& connection = connections_[id];
    connection.fd = std::move(fd);
    connection.peer = PeerAddress(peer);
    connection.deadline_place = deadlines_.insert(deadlines_.end(), id);
    connection.deadline = now + settings_.request_time_limit;
    Read(id, connection, now);
  }
}

void Server::OnEvent(std::uint64_t id, std::uint32_t events, Clock::time_point now) {
  const auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& connection = found->second;
  if (events & (EPOLLERR | EPOLLHUP)) {
    Close(id);
  } else if (connection.state == State::kReading && (events & (EPOLLIN | EPOLLRDHUP))) {
    Read(id, connection, now);
  } else if (connection.state == State::kWriting && (events & EPOLLOUT)) {
    Write(id, connection);
  }
}

void Server::Read(std::uint64_t id, Connection& connection, Clock::time_point now) {
  std::array<char, 4096> buffer{};
  const std::size_t room = kMaxRequestBytes - connection.received.size();
  const ssize_t count = read(connection.fd.get(), buffer.data(), std::min(buffer.size(), room));
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
    Await(id, connection, EPOLLIN | EPOLLRDHUP);
    return;
  }
  if (count <= 0) {
    Close(id);
    return;
  }
  connection.received.append(buffer.data(), static_cast<std::size_t>(count));
  Respond(id, connection, now);
}

void Server::Respond(std::uint64_t id, Connection& connection, Clock::time_point now) {
  ParsedRequest parsed = ParseRequest(connection.received);
  if (!parsed.request && !parsed.page) {
    if (parsed.problem == RequestProblem::kIncomplete) {
      Await(id, connection, EPOLLIN | EPOLLRDHUP);
    } else if (parsed.problem == RequestProblem::kTooLarge) {
      StartWriting(id, connection, ErrorResponse(431, "Request Header Fields Too Large"), {}, now);
    } else if (parsed.problem == RequestProblem::kMalformed) {
      StartWriting(id, connection, ErrorResponse(400, "Bad Request"), {}, now);
    }
    return;
  }
  try {
    // Behind a proxy every client would share its address, and with it sessions and rations.
    const bool forwarded = settings_.trusted_proxy == connection.peer && !parsed.forwarded_for.empty();
    const std::string& address = forwarded ? parsed.forwarded_for : connection.peer;
    if (parsed.page) {
      WebOutcome page = web_.Handle(*parsed.page, address, now);
      if (auto* work = std::get_if<PasswordWork>(&page)) {
        if (AwaitPassword(id, connection, *work, now)) return;
        page = web_.Busy(*work, now);
      }
      StartWriting(id, connection, std::move(std::get<std::string>(page)), {}, now);
      return;
    }
    const std::string client = Chat::ClientKey(address, parsed.request->session);
    Outcome outcome = chat_.Handle(client, parsed.request->data, now, parsed.request->mark);
    if (auto* work = std::get_if<PasswordWork>(&outcome)) {
      if (AwaitPassword(id, connection, *work, now)) return;
      outcome = chat_.Busy(*work, now);
    }
    StartAnswering(id, connection, std::get<Answer>(std::move(outcome)), now);
  } catch (const std::exception& error) {
    LogLine(std::string("error: ") + error.what());
    StartWriting(id, connection, ErrorResponse(500, "Internal Server Error"), {}, now);
  }
}

bool Server::AwaitPassword(std::uint64_t id, Connection& connection, PasswordWork& work, Clock::time_point now) {
  if (!passwords_.Submit(id, work)) return false;
  connection.state = State::kWaitingForPassword;
  RenewDeadline(connection, now);
  if (connection.watched) Await(id, connection, 0);
  return true;
}

void Server::CollectPasswordWork(Clock::time_point now) {
  for (auto& [id, work] : passwords_.TakeFinished()) {
    try {
      // The state changes even when the client has gone: a registration is kept, a login holds.
      if (!work.web_candidates.empty()) {
        std::string page = web_.Finish(work, now);
        const auto found = connections_.find(id);
        if (found != connections_.end()) StartWriting(id, found->second, std::move(page), {}, now);
        continue;
      }
      Answer answer = chat_.Finish(std::move(work), now);
      const auto found = connections_.find(id);
      if (found == connections_.end()) continue;
      StartAnswering(id, found->second, std::move(answer), now);
    } catch (const std::exception& error) {
      LogLine(std::string("error: ") + error.what());
      Close(id);
    }
  }
}

void Server::StartWriting(std::uint64_t id, Connection& connection, std::string response,
                          std::vector<std::int64_t> stored_messages, Clock::time_point now) {
  connection.state = State::kWriting;
  connection.response = std::move(response);
  connection.stored_messages = std::move(stored_messages);
  connection.received.clear();
  connection.received.shrink_to_fit();
  RenewDeadline(connection, now);
  Write(id, connection);
}

void Server::StartAnswering(std::uint64_t id, Connection& connection, Answer answer, Clock::time_point now) {
  // No body for a refusal: the client ignores the bodies of such answers anyway.
  if (answer.too_many_requests) {
    StartWriting(id, connection, ErrorResponse(429, "Too Many Requests"), {}, now);
    return;
  }
  std::string response = OkResponse(answer.body, answer.shared_size);
  connection.shared_at = response.size() - answer.body.size() + answer.shared_at;
  connection.shared = std::move(answer.shared);
  connection.shared_size = answer.shared_size;
  StartWriting(id, connection, std::move(response), std::move(answer.stored_messages), now);
}

void Server::Write(std::uint64_t id, Connection& connection) {
  const std::string& response = connection.response;
  const std::size_t at = connection.shared ? connection.shared_at : response.size();
  const std::size_t shared_end = at + connection.shared_size;
  const std::size_t total = response.size() + connection.shared_size;
  while (connection.sent < total) {
    // The response up to the shared bytes, those, and the rest, from where the last send ended.
    struct Piece {
      const char* data;
      std::size_t begin;
      std::size_t end;
    };
    const Piece pieces[] = {{response.data(), 0, at},
                            {connection.shared ? connection.shared->data() : nullptr, at, shared_end},
                            {response.data() + at, shared_end, total}};
    std::array<iovec, 3> vectors{};
    std::size_t used = 0;
    for (const Piece& piece : pieces) {
      if (connection.sent >= piece.end) continue;
      const std::size_t from = std::max(connection.sent, piece.begin);
      vectors[used++] = {const_cast<char*>(piece.data + (from - piece.begin)), piece.end - from};
    }
    msghdr message{};
    message.msg_iov = vectors.data();
    message.msg_iovlen = used;
    const ssize_t count = sendmsg(connection.fd.get(), &message, MSG_NOSIGNAL);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
      Await(id, connection, EPOLLOUT);
      return;
    }
    if (count <= 0) {
      // Messages that did not get through stay stored and come again at the next login.
      Close(id);
      return;
    }
    connection.sent += static_cast<std::size_t>(count);
  }
  try {
    chat_.Delivered(connection.stored_messages);
  } catch (const std::exception& error) {
    LogLine(std::string("error: ") + error.what());
  }
  shutdown(connection.fd.get(), SHUT_WR);
  Close(id);
}

void Server::RenewDeadline(Connection& connection, Clock::time_point now) {
  connection.deadline = now + settings_.request_time_limit;
  deadlines_.splice(deadlines_.end(), deadlines_, connection.deadline_place);
}

void Server::Watch(int fd, std::uint64_t id, std::uint32_t events, int operation) {
  epoll_event event{};
  event.events = events;
  event.data.u64 = id;
  if (epoll_ctl(epoll_.get(), operation, fd, &event) != 0) ThrowErrno("epoll_ctl");
}

void Server::Await(std::uint64_t id, Connection& connection, std::uint32_t events) {
  if (connection.watched && connection.awaited == events) return;
  epoll_event event{};
  event.events = events;
  event.data.u64 = id;
  if (epoll_ctl(epoll_.get(), connection.watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, connection.fd.get(), &event) != 0) {
    // Out of epoll watches: this client is dropped, the others go on.
    Close(id);
    return;
  }
  connection.watched = true;
  connection.awaited = events;
}

void Server::Close(std::uint64_t id) {
  const auto found = connections_.find(id);
  if (found == connections_.end()) return;
  deadlines_.erase(found->second.deadline_place);
  connections_.erase(found);
}

void Server::CloseLate(Clock::time_point now) {
  while (!deadlines_.empty() && connections_.at(deadlines_.front()).deadline <= now) Close(deadlines_.front());
}

}  // namespace ozl::server
