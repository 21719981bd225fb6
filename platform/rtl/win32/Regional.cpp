// The user's regional date and time formats, from the system's locale
// settings (Windows' own pictures: "yyyy/MM/dd", "H:mm:ss", "h:mm:ss tt").
#include "platform/rtl/Regional.h"

#include <string>

#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace {
std::string LocaleText(LCTYPE type) {
  wchar_t buffer[128];
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
  return length > 1 ? Narrow(std::wstring(buffer, static_cast<std::size_t>(length - 1))) : std::string();
}

// Turns a Windows picture into the framework's letters: months are "m" and
// minutes "n" there, "tt" is the AM/PM marker; quoted text stays as it is.
std::string FromPicture(const std::string& picture, bool date) {
  std::string out;
  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (c == '\'') {
      const std::size_t close = picture.find('\'', i + 1);
      const std::size_t end = close == std::string::npos ? picture.size() : close + 1;
      out += picture.substr(i, end - i);
      i = end;
      continue;
    }
    switch (c) {
      case 'y': out += run >= 3 ? "yyyy" : "yy"; break;
      case 'M': out += run >= 2 ? "mm" : "m"; break;
      case 'd': out += run >= 2 ? "dd" : "d"; break;
      case 'H':
      case 'h': out += run >= 2 ? "hh" : "h"; break;
      case 'm': out += run >= 2 ? "nn" : "n"; break;
      case 's': out += run >= 2 ? "ss" : "s"; break;
      case 't': out += "ampm"; break;
      case 'g': break;  // the era
      default: out.append(run, c); break;
    }
    i += run;
  }
  if (out.empty()) out = date ? kPlainDateFormat : "hh:nn:ss";
  return out;
}
}  // namespace

TFormatSettings ReadRegional() {
  TFormatSettings settings;
  settings.ShortDateFormat = FromPicture(LocaleText(LOCALE_SSHORTDATE), true);
  settings.LongTimeFormat = FromPicture(LocaleText(LOCALE_STIMEFORMAT), false);
  const std::string am = LocaleText(LOCALE_S1159);
  const std::string pm = LocaleText(LOCALE_S2359);
  if (!am.empty()) settings.TimeAMString = am;
  if (!pm.empty()) settings.TimePMString = pm;
  settings.DateSeparator = FirstSeparator(settings.ShortDateFormat, '/');
  settings.TimeSeparator = FirstSeparator(settings.LongTimeFormat, ':');
  return settings;
}
