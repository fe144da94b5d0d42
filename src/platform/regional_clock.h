// The local date and time as the user's regional settings write them: the short date, a blank and
// the long time.
#pragma once

#include "protocol/clock.h"

namespace ozl::platform {

class RegionalClock : public protocol::Clock {
 public:
  std::string LocalDateTime() override;
};

}  // namespace ozl::platform
