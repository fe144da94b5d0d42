#include "platform/regional_clock.h"

#include <windows.h>

#include "platform/text.h"

namespace ozl::platform {

std::string RegionalClock::LocalDateTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t date[128] = {};
  wchar_t time[128] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 128);
  return protocol::DateAndTime(Narrow(date), Narrow(time),
                               {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
}

}  // namespace ozl::platform
