// The network side: one epoll loop that accepts connections, reads one request from each,
// asks the chat for the answer, writes it and closes. Password work goes to a few worker
// threads; everything else happens on the loop's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "chat.h"
#include "password_workers.h"
#include "unique_fd.h"
#include "web.h"

namespace ozl::server {

struct ServerSettings {
  // A client that has not sent its request, or not taken its answer, within this time is cut off.
  std::chrono::seconds request_time_limit{10};
  std::size_t max_connections = 10000;
  int password_threads = 2;
  std::size_t max_password_waiting = 256;
  PasswordCost password_cost = PasswordCost::kInteractive;
  std::optional<std::string> trusted_proxy;
};

class Server {
 public:
  // Binds at once; port 0 picks a free port. Throws std::system_error when it cannot listen.
  Server(Chat& chat, const std::string& host, std::uint16_t port, ServerSettings settings);

  std::uint16_t port() const { return port_; }
  // Serves until Stop(), then answers the requests already begun.
  void Run();
  // Safe to call from a signal handler or another thread.
  void Stop();
  std::size_t connection_count() const { return connections_.size(); }

 private:
  enum class State { kReading, kWaitingForPassword, kWriting };

  struct Connection {
    UniqueFd fd;
    std::string peer;
    State state = State::kReading;
    std::string received;
    std::string response;
    // Bytes shared with other responses that go out at `shared_at` of the response.
    std::shared_ptr<const std::string> shared;
    std::size_t shared_size = 0;
    std::size_t shared_at = 0;
    std::size_t sent = 0;
    std::vector<std::int64_t> stored_messages;
    Clock::time_point deadline;
    std::list<std::uint64_t>::iterator deadline_place;
    bool watched = false;  // registered with epoll: only once a read or write would block
    std::uint32_t awaited = 0;
  };

  void StopListening();
  void Accept(Clock::time_point now);
  void OnEvent(std::uint64_t id, std::uint32_t events, Clock::time_point now);
  void Read(std::uint64_t id, Connection& connection, Clock::time_point now);
  void Respond(std::uint64_t id, Connection& connection, Clock::time_point now);
  void StartWriting(std::uint64_t id, Connection& connection, std::string response,
                    std::vector<std::int64_t> stored_messages, Clock::time_point now);
  void StartAnswering(std::uint64_t id, Connection& connection, Answer answer, Clock::time_point now);
  void Write(std::uint64_t id, Connection& connection);
  // Hands the work to the password threads; false when too much waits already.
  bool AwaitPassword(std::uint64_t id, Connection& connection, PasswordWork& work, Clock::time_point now);
  void CollectPasswordWork(Clock::time_point now);
  void RenewDeadline(Connection& connection, Clock::time_point now);
  void Watch(int fd, std::uint64_t id, std::uint32_t events, int operation);
  // Registers interest in the connection's socket; closes the connection when that fails, so
  // callers must not touch it afterwards.
  void Await(std::uint64_t id, Connection& connection, std::uint32_t events);
  void Close(std::uint64_t id);
  void CloseLate(Clock::time_point now);
  int WaitMilliseconds(Clock::time_point now) const;

  Chat& chat_;
  WebSite web_;
  ServerSettings settings_;
  std::uint16_t port_ = 0;  // set while the listener is made
  UniqueFd epoll_;
  UniqueFd listener_;
  UniqueFd stop_;
  PasswordWorkers passwords_;
  std::unordered_map<std::uint64_t, Connection> connections_;
  std::list<std::uint64_t> deadlines_;  // earliest first: every connection gets the same limit
  std::uint64_t next_id_;
  Clock::time_point next_idle_sweep_;
};

}  // namespace ozl::server
