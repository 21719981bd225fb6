// Date-time values as the framework keeps them: days since 1899-12-30 in the
// whole part, the time of day in the fraction, local time.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

using TDateTime = double;

struct TFormatSettings {
  std::string ShortDateFormat;  // e.g. "yyyy/mm/dd"
  std::string LongTimeFormat;   // e.g. "hh:nn:ss"
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};

// The process-wide formats, first taken from the user's locale (LC_TIME).
TFormatSettings& FormatSettings();
// Reads the user's regional formats again.
void LoadRegionalFormats();

// Raise EConvertError for values that are no calendar date or time of day.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value);
// A moment of the clock as the system gives it: a leap second is taken as
// 59, and with `evenSeconds` an odd second is cut to the even one before.
bool TryEncodeClockMoment(int year, int month, int day, int hour, int minute, int second, bool evenSeconds,
                          TDateTime& value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// Formats with the framework's letters: yyyy yy m mm d dd h hh n nn s ss am/pm ampm "/" ":".
std::string FormatDateTime(const std::string& format, TDateTime value);
std::string DateToStr(TDateTime value);  // ShortDateFormat
std::string TimeToStr(TDateTime value);  // LongTimeFormat
// Parses with the order of ShortDateFormat and its separator; raises EConvertError.
TDateTime StrToDate(const std::string& text);
TDateTime StrToTime(const std::string& text);

// DOS date and time in one value: date in the high word, time in the low word.
using TDosDateTime = std::int32_t;
// Raises EConvertError when the fields are no date or time.
TDateTime FileDateToDateTime(TDosDateTime fileDate);
// The date and the time part apart; false when the fields are no date or time.
bool TryDecodeFileDate(TDosDateTime fileDate, TDateTime& date, TDateTime& time);
// 0 for a year outside 1980..2099.
TDosDateTime DateTimeToFileDate(TDateTime value);

// With TZ unset, glibc stats the zone file on every mktime (and libarchive
// calls mktime for every ZIP entry): naming the same default zone once, as
// ":/etc/localtime", keeps it read once. A TZ already set is left alone. The
// local-time conversions below call this themselves; the first call should
// come before other threads read the environment.
void SetUpLocalTimeZone();
// What SetUpLocalTimeZone does once: true when it set TZ.
bool PinLocalTimeZone();

// Between the file system's time and local date-time values.
// The zero date-time when the moment has no local date this type holds.
TDateTime UnixToLocalDateTime(std::time_t seconds);
// False when the moment has no local date this type holds; `evenSeconds`
// cuts the seconds to the even value a DOS time keeps.
bool TryUnixToLocalDateTime(std::time_t seconds, TDateTime& value, bool evenSeconds);
// Returns false when the local moment does not convert.
bool LocalDateTimeToUnix(TDateTime value, std::time_t& seconds);
