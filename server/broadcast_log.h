// Lines meant for many users at once (presence changes, general chat lines) are kept once, in
// order, and every session remembers how far it has read. A poll therefore costs the lines it
// returns, not the number of users online.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

namespace ozl::server {

using Clock = std::chrono::steady_clock;

class BroadcastLog {
 public:
  struct Item {
    std::uint64_t sequence;
    Clock::time_point time;
    std::string line;
  };
  using Iterator = std::deque<Item>::const_iterator;

  // Sequences and times must not decrease from one append to the next.
  void Append(std::uint64_t sequence, Clock::time_point time, std::string line) {
    items_.push_back({sequence, time, std::move(line)});
  }

  // The first item whose sequence is at least `cursor`.
  Iterator From(std::uint64_t cursor) const {
    return std::partition_point(items_.begin(), items_.end(),
                                [cursor](const Item& item) { return item.sequence < cursor; });
  }
  Iterator end() const { return items_.end(); }

  // Items older than every live reader's last visit are never read again.
  void ForgetBefore(Clock::time_point time) {
    while (!items_.empty() && items_.front().time < time) items_.pop_front();
  }

  std::size_t size() const { return items_.size(); }

 private:
  std::deque<Item> items_;
};

}  // namespace ozl::server
