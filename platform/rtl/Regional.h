// Where the regional formats come from: each platform reads its own.
#pragma once

#include <string>

#include "platform/rtl/DateTime.h"

// The date order where a locale gives none worth showing: the one the window
// itself sets when it is activated.
inline constexpr const char* kPlainDateFormat = "yyyy/mm/dd";

// The first character of a format that is no letter, digit, space or quote;
// `fallback` when there is none, or when a multibyte character comes first.
char FirstSeparator(const std::string& format, char fallback);

// The user's short date and long time formats, separators and AM/PM strings,
// in the framework's letters.
TFormatSettings ReadRegional();
