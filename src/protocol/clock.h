// The local date and time, as the history rows carry them.
#pragma once

#include <string>
#include <string_view>

namespace ozl::protocol {

// The local date and time as the user's regional settings write them.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::string LocalDateTime() = 0;
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The short date, a blank and the long time, already formatted by the region's rules; at exactly
// midnight the time is left out and the date stands alone.
std::string DateAndTime(std::string_view short_date, std::string_view long_time, const TimeOfDay& time);

}  // namespace ozl::protocol
