// The two halves of re-dating one archive: finding its newest entry, and
// writing that moment into the file's last-write time.
#pragma once

#include <string>

#include "platform/rtl/DateTime.h"
#include "platform/winapi/WinTypes.h"

class TArchiveFile;

struct TNewestEntry {
  bool found = false;  // false: no entry with a valid date and time
  TDateTime date = 0;  // whole day number
  TDateTime time = 0;  // fraction of the day
};

// Opens the bound archive's listing, walks it and closes it. Entries whose
// DOS date or time is no calendar value are passed over.
TNewestEntry FindNewestEntry(TArchiveFile& archive, HWND ownerWindow);

// Sets the last-write time (local, two-second precision) of an existing,
// writable regular file that nobody else holds; anything else keeps its time.
void SetLastWriteTime(const std::string& path, TDateTime moment);
