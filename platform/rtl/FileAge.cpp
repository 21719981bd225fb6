// The last-write time as a DOS date and time, from each system's own reading.
#include "platform/rtl/Files.h"

TDosDateTime FileAge(const std::string& path) {
  TDateTime value;
  if (!FileAgeDateTime(path, value)) return -1;
  const TDosDateTime dos = DateTimeToFileDate(value);
  return dos == 0 ? -1 : dos;
}
