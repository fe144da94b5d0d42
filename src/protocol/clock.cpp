#include "protocol/clock.h"

namespace ozl::protocol {

std::string DateAndTime(std::string_view short_date, std::string_view long_time, const TimeOfDay& time) {
  std::string text(short_date);
  if (time.hour != 0 || time.minute != 0 || time.second != 0 || time.millisecond != 0) {
    text += ' ';
    text += long_time;
  }
  return text;
}

}  // namespace ozl::protocol
