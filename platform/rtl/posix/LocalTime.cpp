// Local time through the C library's zone data.
#include <cstdlib>
#include <ctime>

#include "platform/rtl/DateTime.h"

bool PinLocalTimeZone() {
  if (std::getenv("TZ") != nullptr) return false;
  setenv("TZ", ":/etc/localtime", 0);
  tzset();
  return true;
}

void SetUpLocalTimeZone() {
  static const bool pinned = PinLocalTimeZone();
  (void)pinned;
}

bool TryUnixToLocalDateTime(std::time_t seconds, TDateTime& value, bool evenSeconds) {
  SetUpLocalTimeZone();
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return false;
  return TryEncodeClockMoment(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                              local.tm_sec, evenSeconds, value);
}

bool LocalDateTimeToUnix(TDateTime value, std::time_t& seconds) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  SetUpLocalTimeZone();
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  seconds = std::mktime(&local);
  return seconds != static_cast<std::time_t>(-1) || (year == 1969 || year == 1970);
}
