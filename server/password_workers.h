// A few threads that check and make password hashes, so that the event loop never waits for
// one. Finished work is collected by the loop when `ready_fd` becomes readable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "chat.h"
#include "unique_fd.h"

namespace ozl::server {

class PasswordWorkers {
 public:
  using Ticket = std::uint64_t;

  PasswordWorkers(int threads, std::size_t max_waiting, PasswordCost cost);
  ~PasswordWorkers();
  PasswordWorkers(const PasswordWorkers&) = delete;
  PasswordWorkers& operator=(const PasswordWorkers&) = delete;

  // False when too much work already waits; the work is then left with the caller.
  bool Submit(Ticket ticket, PasswordWork& work);
  std::vector<std::pair<Ticket, PasswordWork>> TakeFinished();
  int ready_fd() const { return ready_.get(); }

 private:
  void Work(const std::stop_token& stop);

  PasswordCost cost_;
  std::size_t max_waiting_;
  UniqueFd ready_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<std::pair<Ticket, PasswordWork>> waiting_;
  std::vector<std::pair<Ticket, PasswordWork>> finished_;
  std::vector<std::jthread> threads_;
};

}  // namespace ozl::server
