// The two halves of re-dating one archive: finding its newest entry, and
// writing that moment into the file's last-write time.
#pragma once

#include <string>

#include "platform/rtl/DateTime.h"
#include "contract/WinTypes.h"

class TArchiveFile;

struct TNewestEntry {
  bool opened = false;  // the library gave a handle for the listing
  bool found = false;   // false: no entry with a valid date and time
  TDateTime date = 0;   // whole day number
  TDateTime time = 0;   // fraction of the day
};

// Opens the bound archive's listing, walks it and closes it. Entries whose
// DOS date or time is no calendar value are passed over.
TNewestEntry FindNewestEntry(TArchiveFile& archive, HWND ownerWindow);

// What became of a time change. `error` is the system's code when refused.
enum class TTimeChangeOutcome { Set, ReadOnly, OutOfRange, Refused };
struct TTimeChange {
  TTimeChangeOutcome outcome = TTimeChangeOutcome::Set;
  int error = 0;
};

// Sets the last-write time (local, two-second precision) of an existing,
// writable regular file that nobody else holds; anything else keeps its time.
TTimeChange SetLastWriteTime(const std::string& path, TDateTime moment);
