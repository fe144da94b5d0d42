// Rationing of repeated actions: a burst of a few, then one per interval. An allowance is kept as
// the time up to which it is spent, so nothing needs refilling, and one whose time has passed is
// whole again and need not be remembered.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "broadcast_log.h"

namespace ozl::server {

struct Rate {
  int burst = 1;
  Clock::duration interval{};
};

class Allowance {
 public:
  // Room for one more: a burst of `burst` at once, then the next one an interval later.
  bool Allows(const Rate& rate, Clock::time_point now) const {
    return std::max(spent_until_, now) + rate.interval - now <= rate.interval * rate.burst;
  }
  // Spends one action if there is room for it.
  bool Take(const Rate& rate, Clock::time_point now) {
    if (!Allows(rate, now)) return false;
    Charge(rate, now);
    return true;
  }
  // Spends one action even beyond the allowance: the debt is paid off by waiting.
  void Charge(const Rate& rate, Clock::time_point now) { spent_until_ = std::max(spent_until_, now) + rate.interval; }
  void GiveBack(const Rate& rate) { spent_until_ -= rate.interval; }
  bool Whole(Clock::time_point now) const { return spent_until_ <= now; }
  Clock::time_point spent_until() const { return spent_until_; }
  // Whether a refusal is worth a line in the log: once a minute at most, so that a long flood
  // does not flood the log in turn.
  bool ReportRefusal(Clock::time_point now) {
    if (reported_ && now - *reported_ < std::chrono::minutes(1)) return false;
    reported_ = now;
    return true;
  }

 private:
  Clock::time_point spent_until_{};
  std::optional<Clock::time_point> reported_;
};

// Allowances by key (a client address, a user id). Whole allowances are not kept, and at most
// `capacity` keys are: beyond that the allowance nearest to whole goes first, so a flood from
// many addresses cannot grow memory and the most spent allowances are the last to be forgotten.
class Rations {
 public:
  Rations(Rate rate, std::size_t capacity) : rate_(rate), capacity_(std::max<std::size_t>(capacity, 1)) {}

  bool Allows(std::string_view key, Clock::time_point now) const {
    const auto found = allowances_.find(key);
    return found == allowances_.end() || found->second.Allows(rate_, now);
  }
  bool Take(std::string_view key, Clock::time_point now) {
    bool taken = false;
    Change(key, now, [&](Allowance& allowance) { taken = allowance.Take(rate_, now); });
    return taken;
  }
  void Charge(std::string_view key, Clock::time_point now) {
    Change(key, now, [&](Allowance& allowance) { allowance.Charge(rate_, now); });
  }
  void GiveBack(std::string_view key, Clock::time_point now) {
    if (allowances_.find(key) == allowances_.end()) return;
    Change(key, now, [&](Allowance& allowance) { allowance.GiveBack(rate_); });
  }
  bool ReportRefusal(std::string_view key, Clock::time_point now) {
    const auto found = allowances_.find(key);
    return found == allowances_.end() || found->second.ReportRefusal(now);
  }
  // Drops the allowances that are whole again.
  void Forget(Clock::time_point now) {
    while (!order_.empty() && order_.begin()->first <= now) Erase(allowances_.find(*order_.begin()->second));
  }
  std::size_t size() const { return allowances_.size(); }

 private:
  using Allowances = std::map<std::string, Allowance, std::less<>>;

  template <typename Action>
  void Change(std::string_view key, Clock::time_point now, Action action) {
    auto found = allowances_.find(key);
    Allowance allowance = found != allowances_.end() ? found->second : Allowance{};
    action(allowance);
    if (found != allowances_.end()) order_.erase({found->second.spent_until(), &found->first});
    if (allowance.Whole(now)) {
      if (found != allowances_.end()) allowances_.erase(found);
      return;
    }
    if (found == allowances_.end()) {
      if (allowances_.size() >= capacity_) Erase(allowances_.find(*order_.begin()->second));
      found = allowances_.emplace(std::string(key), allowance).first;
    }
    found->second = allowance;
    order_.emplace(allowance.spent_until(), &found->first);
  }

  void Erase(Allowances::iterator found) {
    order_.erase({found->second.spent_until(), &found->first});
    allowances_.erase(found);
  }

  Rate rate_;
  std::size_t capacity_;
  Allowances allowances_;
  std::set<std::pair<Clock::time_point, const std::string*>> order_;  // nearest to whole first
};

}  // namespace ozl::server
