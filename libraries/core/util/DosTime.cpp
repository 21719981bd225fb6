#include "libraries/core/util/DosTime.h"

namespace dv {

DosStamp ToDosStamp(std::optional<std::time_t> when) {
  if (!when) return kSmallestDosStamp;
  std::tm local{};
  // localtime_r fails only for times far outside any calendar; the sign tells
  // which end of the DOS range they belong to.
  if (localtime_r(&*when, &local) == nullptr) return *when < 0 ? kSmallestDosStamp : kLargestDosStamp;
  const long year = static_cast<long>(local.tm_year) + 1900;
  if (year < 1980) return kSmallestDosStamp;
  if (year > 2107) return kLargestDosStamp;
  DosStamp stamp;
  stamp.date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  // A leap second (tm_sec 60) still fits: 30 is within the 5-bit field.
  stamp.time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return stamp;
}

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::time_t> FromDosStamp(std::uint32_t packed) {
  const int year = static_cast<int>((packed >> 25) & 0x7F) + 1980;
  const int month = static_cast<int>((packed >> 21) & 0x0F);
  const int day = static_cast<int>((packed >> 16) & 0x1F);
  const int hour = static_cast<int>((packed >> 11) & 0x1F);
  const int minute = static_cast<int>((packed >> 5) & 0x3F);
  const int second = static_cast<int>(packed & 0x1F) * 2;
  // mktime would carry month 13 into the next year, day 0 into the month
  // before, and so on: a moment no entry has.
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 58) return std::nullopt;
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  if (when == static_cast<std::time_t>(-1)) return std::nullopt;
  return when;
}

}  // namespace dv
