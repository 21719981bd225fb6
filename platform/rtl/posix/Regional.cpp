// The user's regional date and time formats, from the C library's locale data.
#include "platform/rtl/Regional.h"

#include <langinfo.h>

#include <clocale>
#include <string>

namespace {

// The locale's own compound conversions spelt out: %r is its 12-hour time
// (T_FMT_AMPM, "%I:%M:%S %p" in en_US), %X its time, %x its date.
std::string ExpandCompounds(const std::string& format, locale_t locale) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    const char c = format[i + 1];
    const char* spelt = nullptr;
    if (c == 'r') spelt = nl_langinfo_l(T_FMT_AMPM, locale);
    if (c == 'X') spelt = nl_langinfo_l(T_FMT, locale);
    if (c == 'x') spelt = nl_langinfo_l(D_FMT, locale);
    if (spelt == nullptr) {
      out += format.substr(i, 2);
    } else {
      const std::string text = spelt;
      // Spelt out once: a locale whose parts name each other is not followed.
      out += text.empty() || text.find("%r") != std::string::npos || text.find("%X") != std::string::npos ||
                     text.find("%x") != std::string::npos
                 ? (c == 'x'   ? "%m/%d/%y"
                    : c == 'r' ? "%I:%M:%S %p"
                               : "%H:%M:%S")
                 : text;
    }
    ++i;
  }
  return out;
}

// Turns a C-library format (%Y/%m/%d) into the framework's letters.
std::string FromStrftime(const std::string& format, bool date) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    char c = format[++i];
    if (c == 'E' || c == 'O' || c == '-') {
      if (i + 1 == format.size()) break;
      c = format[++i];
    }
    switch (c) {
      case 'Y': out += "yyyy"; break;
      case 'y': out += "yy"; break;
      case 'm': out += "mm"; break;
      case 'd': out += "dd"; break;
      case 'e': out += "d"; break;
      case 'H': out += "hh"; break;
      case 'I': out += "hh"; break;
      case 'l': out += "h"; break;
      case 'M': out += "nn"; break;
      case 'S': out += "ss"; break;
      case 'p':
      case 'P': out += "ampm"; break;
      case 'k': out += "h"; break;
      case 'T': out += "hh:nn:ss"; break;
      case 'R': out += "hh:nn"; break;
      case 'D': out += "mm/dd/yy"; break;
      case 'F': out += "yyyy-mm-dd"; break;
      case '%': out += '%'; break;
      default: break;
    }
  }
  if (out.empty()) out = date ? kPlainDateFormat : "hh:nn:ss";
  return out;
}

// C and POSIX, also with a character set ("C.UTF-8").
bool HasNoRegion(const std::string& localeName) {
  return localeName == "C" || localeName == "POSIX" || localeName.rfind("C.", 0) == 0;
}

}  // namespace

TFormatSettings ReadRegional() {
  TFormatSettings settings;
  // Read LC_TIME as the environment sets it, without changing the locale of
  // the rest of the process.
  locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) locale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  // A locale of no region writes mm/dd/yy, which hides the century: such a
  // user gets the program's own order instead.
  settings.ShortDateFormat = HasNoRegion(nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), locale))
                                 ? kPlainDateFormat
                                 : FromStrftime(ExpandCompounds(nl_langinfo_l(D_FMT, locale), locale), true);
  settings.LongTimeFormat = FromStrftime(ExpandCompounds(nl_langinfo_l(T_FMT, locale), locale), false);
  const std::string am = nl_langinfo_l(AM_STR, locale);
  const std::string pm = nl_langinfo_l(PM_STR, locale);
  if (!am.empty()) settings.TimeAMString = am;
  if (!pm.empty()) settings.TimePMString = pm;
  freelocale(locale);
  settings.DateSeparator = FirstSeparator(settings.ShortDateFormat, '/');
  settings.TimeSeparator = FirstSeparator(settings.LongTimeFormat, ':');
  return settings;
}
