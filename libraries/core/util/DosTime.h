// Conversion between calendar time and the packed MS-DOS date and time words
// the entry record carries.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace dv {

struct DosStamp {
  std::uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day
  std::uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
  friend bool operator==(const DosStamp&, const DosStamp&) = default;
};

// 1980-01-01 00:00:00, also what a missing or earlier time becomes.
inline constexpr DosStamp kSmallestDosStamp{0x0021, 0x0000};
// 2107-12-31 23:59:58, what any later time becomes.
inline constexpr DosStamp kLargestDosStamp{0xFF9F, 0xBF7D};

// Local time of `when` as DOS words, clamped to the DOS range.
DosStamp ToDosStamp(std::optional<std::time_t> when);

// The instant a packed DOS stamp (date in the high word) names in local time;
// nothing when the fields are no calendar date and time of day (month 0 or
// 13, day 0 or past the month's end, hour 24 and up, minute 60 and up,
// seconds 60 and 62): those are never turned into some other real moment.
std::optional<std::time_t> FromDosStamp(std::uint32_t packed);

// The date (high word) and time of a packed DOS stamp.
constexpr DosStamp SplitDosStamp(std::uint32_t packed) {
  return DosStamp{static_cast<std::uint16_t>(packed >> 16), static_cast<std::uint16_t>(packed)};
}

}  // namespace dv
