#include "libraries/core/DosTime.h"

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

std::optional<std::time_t> FromDosStamp(std::uint32_t packed) {
  std::tm local{};
  local.tm_year = static_cast<int>((packed >> 25) & 0x7F) + 80;
  local.tm_mon = static_cast<int>((packed >> 21) & 0x0F) - 1;
  local.tm_mday = static_cast<int>((packed >> 16) & 0x1F);
  local.tm_hour = static_cast<int>((packed >> 11) & 0x1F);
  local.tm_min = static_cast<int>((packed >> 5) & 0x3F);
  local.tm_sec = static_cast<int>(packed & 0x1F) * 2;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  if (when == static_cast<std::time_t>(-1)) return std::nullopt;
  return when;
}

}  // namespace dv
