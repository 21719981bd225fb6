// Local time through the system's time zone, with the rules of the year in
// question (GetTimeZoneInformationForYear), not this year's rules for every
// date as the C library's localtime has them.
#include "platform/rtl/DateTime.h"
#include "platform/rtl/win32/Windows.h"

namespace {
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

bool ToSystemTime(std::time_t seconds, SYSTEMTIME& utc) {
  const std::int64_t ticks = static_cast<std::int64_t>(seconds) * 10000000LL + kUnixEpochTicks;
  if (ticks < 0) return false;
  FILETIME file;
  file.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  file.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return FileTimeToSystemTime(&file, &utc) != 0;
}

// The zone's rules in force in `year`.
bool ZoneOfYear(WORD year, TIME_ZONE_INFORMATION& zone) {
  DYNAMIC_TIME_ZONE_INFORMATION dynamic;
  return GetDynamicTimeZoneInformation(&dynamic) != TIME_ZONE_ID_INVALID &&
         GetTimeZoneInformationForYear(year, &dynamic, &zone);
}
}  // namespace

// The C library's TZ plays no part here.
bool PinLocalTimeZone() { return false; }
void SetUpLocalTimeZone() {}

bool TryUnixToLocalDateTime(std::time_t seconds, TDateTime& value, bool evenSeconds) {
  SYSTEMTIME utc, local;
  TIME_ZONE_INFORMATION zone;
  if (!ToSystemTime(seconds, utc) || !ZoneOfYear(utc.wYear, zone) ||
      !SystemTimeToTzSpecificLocalTime(&zone, &utc, &local))
    return false;
  return TryEncodeClockMoment(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                              evenSeconds, value);
}

bool LocalDateTimeToUnix(TDateTime value, std::time_t& seconds) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  if (year < 1601 || year > 30827) return false;
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  SYSTEMTIME utc;
  TIME_ZONE_INFORMATION zone;
  FILETIME file;
  if (!ZoneOfYear(local.wYear, zone) || !TzSpecificLocalTimeToSystemTime(&zone, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &file))
    return false;
  const std::int64_t ticks = (static_cast<std::int64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
  seconds = static_cast<std::time_t>((ticks - kUnixEpochTicks) / 10000000LL);
  return true;
}
