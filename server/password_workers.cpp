#include "password_workers.h"

#include <sys/eventfd.h>

#include <system_error>

namespace ozl::server {

PasswordWorkers::PasswordWorkers(int threads, std::size_t max_waiting, PasswordCost cost)
    : cost_(cost), max_waiting_(max_waiting), ready_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!ready_) throw std::system_error(errno, std::generic_category(), "eventfd");
  for (int i = 0; i < threads; ++i) {
    threads_.emplace_back([this](const std::stop_token& stop) { Work(stop); });
  }
}

PasswordWorkers::~PasswordWorkers() {
  for (std::jthread& thread : threads_) thread.request_stop();
  wake_.notify_all();
  threads_.clear();
}

bool PasswordWorkers::Submit(Ticket ticket, PasswordWork& work) {
  {
    const std::lock_guard lock(mutex_);
    if (waiting_.size() >= max_waiting_) return false;
    waiting_.emplace_back(ticket, std::move(work));
  }
  wake_.notify_one();
  return true;
}

std::vector<std::pair<PasswordWorkers::Ticket, PasswordWork>> PasswordWorkers::TakeFinished() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t drained = read(ready_.get(), &count, sizeof count);
  const std::lock_guard lock(mutex_);
  return std::exchange(finished_, {});
}

void PasswordWorkers::Work(const std::stop_token& stop) {
  while (true) {
    std::pair<Ticket, PasswordWork> job;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return !waiting_.empty(); })) return;
      job = std::move(waiting_.front());
      waiting_.pop_front();
    }
    try {
      job.second.task.Run(cost_);
    } catch (const std::exception&) {
      // Out of memory: the login fails as with a wrong password; a registration gets no hash
      // and is refused by the chat.
      job.second.task.matched.reset();
    }
    {
      const std::lock_guard lock(mutex_);
      finished_.push_back(std::move(job));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t signalled = write(ready_.get(), &one, sizeof one);
  }
}

}  // namespace ozl::server
