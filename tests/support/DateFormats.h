// The date and time formats the run's rows are compared in.
#pragma once

#include "platform/rtl/DateTime.h"

// So that a row reads "2001/05/06 | 10:20:30" on any machine.
inline void UseYmdHmsFormats() {
  FormatSettings().ShortDateFormat = "yyyy/mm/dd";
  FormatSettings().DateSeparator = '/';
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  FormatSettings().TimeSeparator = ':';
}
