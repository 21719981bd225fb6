#include "platform/rtl/DateTime.h"

#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Regional.h"

namespace {
constexpr double kMsPerDay = 86400000.0;
const char* const kBadDate = "日付に変換できない値が渡されました";
const char* const kBadTime = "時刻に変換できない値が渡されました";

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 0001-01-01 to the given date (proleptic Gregorian).
long DaysFromCivil(int year, int month, int day) {
  long days = 0;
  const int y = year - 1;
  days = static_cast<long>(y) * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day - 1;
}
const long kDelta = DaysFromCivil(1899, 12, 30);

std::string Pad(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

bool StartsWithI(const std::string& text, std::size_t at, const char* word) {
  for (std::size_t k = 0; word[k] != 0; ++k) {
    if (at + k >= text.size()) return false;
    if (std::tolower(static_cast<unsigned char>(text[at + k])) != word[k]) return false;
  }
  return true;
}

// Splits a text of numbers and separators into its numbers.
std::vector<int> Numbers(const std::string& text, char separator, bool& ok) {
  std::vector<int> numbers;
  ok = true;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  while (i < text.size()) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ok = false;
      return numbers;
    }
    long value = 0;
    int digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      value = value * 10 + (text[i] - '0');
      if (++digits > 4) {
        ok = false;
        return numbers;
      }
      ++i;
    }
    numbers.push_back(static_cast<int>(value));
    if (i < text.size()) {
      if (text[i] != separator) {
        ok = false;
        return numbers;
      }
      ++i;
      if (i == text.size()) {
        ok = false;
        return numbers;
      }
    }
  }
  return numbers;
}
}  // namespace

char FirstSeparator(const std::string& format, char fallback) {
  for (char c : format) {
    // A separator is one byte: a multibyte character (年 between the parts of
    // a Japanese date) cannot be one, nor can what follows its lead byte.
    if (static_cast<unsigned char>(c) >= 0x80) return fallback;
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != ' ' && c != '"' && c != '\'') return c;
  }
  return fallback;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = ReadRegional();
  return settings;
}

void LoadRegionalFormats() { FormatSettings() = ReadRegional(); }

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  value = static_cast<double>(DaysFromCivil(year, month, day) - kDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  value = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError(kBadDate);
  return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime value;
  if (!TryEncodeTime(hour, minute, second, millisecond, value)) throw EConvertError(kBadTime);
  return value;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  long days = static_cast<long>(std::floor(value)) + kDelta;  // days since 0001-01-01
  // Walk 400-, 100-, 4- and 1-year cycles.
  long y = 1;
  y += 400 * (days / 146097);
  days %= 146097;
  long c = days / 36524;
  if (c == 4) c = 3;
  y += 100 * c;
  days -= c * 36524;
  y += 4 * (days / 1461);
  days %= 1461;
  long a = days / 365;
  if (a == 4) a = 3;
  y += a;
  days -= a * 365;
  year = static_cast<int>(y);
  month = 1;
  while (days >= DaysInMonth(year, month)) days -= DaysInMonth(year, month++);
  day = static_cast<int>(days) + 1;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  double fraction = std::fabs(value - std::floor(value));
  long ms = std::lround(fraction * kMsPerDay);
  if (ms >= 86400000) ms = 86399999;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  millisecond = static_cast<int>(ms % 1000);
}

std::string FormatDateTime(const std::string& format, TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  const TFormatSettings& fs = FormatSettings();
  bool twelveHour = false;
  for (std::size_t i = 0; i < format.size(); ++i)
    if (StartsWithI(format, i, "am/pm") || StartsWithI(format, i, "ampm")) twelveHour = true;
  std::string out;
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
    std::size_t run = 1;
    while (i + run < format.size() && std::tolower(static_cast<unsigned char>(format[i + run])) == c) ++run;
    if (c == '"' || c == '\'') {
      const std::size_t close = format.find(format[i], i + 1);
      out += format.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      i = close == std::string::npos ? format.size() : close + 1;
      continue;
    }
    if (StartsWithI(format, i, "am/pm")) {
      out += hour < 12 ? "am" : "pm";
      i += 5;
      continue;
    }
    if (StartsWithI(format, i, "ampm")) {
      out += hour < 12 ? fs.TimeAMString : fs.TimePMString;
      i += 4;
      continue;
    }
    int shownHour = hour;
    if (twelveHour) {
      shownHour = hour % 12;
      if (shownHour == 0) shownHour = 12;
    }
    switch (c) {
      case 'y': out += run <= 2 ? Pad(year % 100, 2) : Pad(year, 4); break;
      case 'm': out += Pad(month, run >= 2 ? 2 : 1); break;
      case 'd': out += Pad(day, run >= 2 ? 2 : 1); break;
      case 'h': out += Pad(shownHour, run >= 2 ? 2 : 1); break;
      case 'n': out += Pad(minute, run >= 2 ? 2 : 1); break;
      case 's': out += Pad(second, run >= 2 ? 2 : 1); break;
      case '/': out.append(run, fs.DateSeparator); break;
      case ':': out.append(run, fs.TimeSeparator); break;
      default: out.append(format, i, run); break;
    }
    i += run;
  }
  return out;
}

std::string DateToStr(TDateTime value) { return FormatDateTime(FormatSettings().ShortDateFormat, value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings().LongTimeFormat, value); }

TDateTime StrToDate(const std::string& text) {
  const TFormatSettings& fs = FormatSettings();
  const std::string error = "'" + text + "' は日付ではありません";
  bool ok = false;
  const std::vector<int> numbers = Numbers(text, fs.DateSeparator, ok);
  if (!ok || numbers.size() != 3) throw EConvertError(error);
  // The order of the fields is that of the short date format.
  std::string order;
  for (char c : fs.ShortDateFormat) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((c == 'y' || c == 'm' || c == 'd') && order.find(c) == std::string::npos) order += c;
  }
  if (order.size() != 3) order = "ymd";
  int year = 0, month = 0, day = 0;
  for (int k = 0; k < 3; ++k) {
    if (order[k] == 'y') year = numbers[k];
    if (order[k] == 'm') month = numbers[k];
    if (order[k] == 'd') day = numbers[k];
  }
  TDateTime value;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError(error);
  return value;
}

TDateTime StrToTime(const std::string& text) {
  const std::string error = "'" + text + "' は時刻ではありません";
  bool ok = false;
  const std::vector<int> numbers = Numbers(text, FormatSettings().TimeSeparator, ok);
  if (!ok || numbers.size() < 2 || numbers.size() > 3) throw EConvertError(error);
  TDateTime value;
  if (!TryEncodeTime(numbers[0], numbers[1], numbers.size() == 3 ? numbers[2] : 0, 0, value))
    throw EConvertError(error);
  return value;
}

bool TryDecodeFileDate(TDosDateTime fileDate, TDateTime& date, TDateTime& time) {
  const auto d = static_cast<std::uint16_t>(static_cast<std::uint32_t>(fileDate) >> 16);
  const auto t = static_cast<std::uint16_t>(fileDate & 0xFFFF);
  return TryEncodeDate((d >> 9) + 1980, (d >> 5) & 0x0F, d & 0x1F, date) &&
         TryEncodeTime(t >> 11, (t >> 5) & 0x3F, (t & 0x1F) * 2, 0, time);
}

TDateTime FileDateToDateTime(TDosDateTime fileDate) {
  TDateTime date = 0, time = 0;
  if (!TryDecodeFileDate(fileDate, date, time)) {
    // The message of the part that is wrong, as encoding it would raise.
    const auto d = static_cast<std::uint16_t>(static_cast<std::uint32_t>(fileDate) >> 16);
    if (!TryEncodeDate((d >> 9) + 1980, (d >> 5) & 0x0F, d & 0x1F, date)) throw EConvertError(kBadDate);
    throw EConvertError(kBadTime);
  }
  return date + time;
}

TDosDateTime DateTimeToFileDate(TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  if (year < 1980 || year > 2099) return 0;
  const std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const std::uint32_t time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return static_cast<TDosDateTime>((date << 16) | time);
}

TDateTime UnixToLocalDateTime(std::time_t seconds) {
  TDateTime value = 0;
  TryUnixToLocalDateTime(seconds, value, false);
  return value;
}

bool TryEncodeClockMoment(int year, int month, int day, int hour, int minute, int second, bool evenSeconds,
                          TDateTime& value) {
  if (second > 59) second = 59;
  if (evenSeconds) second = second / 2 * 2;
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) return false;
  value = date + time;
  return true;
}
