// Re-dating one file: is it an archive, what is its newest entry, and the
// change of its last-write time to that moment. The window's rows and the
// quiet run's report are both made from what it gives back.
#pragma once

#include <string>

#include "contract/WinTypes.h"
#include "platform/rtl/DateTime.h"

class TArchiveFile;
class TComponent;

struct TNewestEntry {
  bool opened = false;  // the library gave a handle for the listing
  bool found = false;   // false: no entry with a valid date and time
  TDateTime date = 0;   // whole day number
  TDateTime time = 0;   // fraction of the day
};

// Opens the bound archive's listing, walks it and closes it. Entries whose
// DOS date or time is no calendar value are passed over.
TNewestEntry FindNewestEntry(TArchiveFile& archive, HWND ownerWindow);

enum class TRedateOutcome {
  Redated,     // the last-write time is now the newest entry's
  NoArchive,   // no archive of a type this program knows
  Skipped,     // its library is missing, or its driver could not be made
  NoEntry,     // its library opened it and listed no dated entry: left as it is
  NotRead,     // its library could not open it (damaged, vanished, unreadable)
  ReadOnly,    // deliberately left: no write permission, or a read-only file system
  OutOfRange,  // deliberately left: the newest entry is dated 2100 or later
  NotSet,      // the time change was refused (no rights, held, replaced)
};

struct TRedateResult {
  TRedateOutcome outcome = TRedateOutcome::NoArchive;
  TDateTime date = 0;  // the newest entry, when one was found
  TDateTime time = 0;
  // The last-write time before the run, when an entry was found and it could be read.
  bool hadTime = false;
  TDateTime before = 0;
  // Why it was skipped or not read or not set, in words for the user.
  std::string reason;

  // The archive could not be handled: its time may be wrong, and the
  // caller must hear of it. A skip (a missing library) is told apart.
  bool Failed() const { return outcome == TRedateOutcome::NotRead || outcome == TRedateOutcome::NotSet; }
};

// Re-dates the file at `path`: detection, its library's listing through an
// archive component owned by `owner`, then the time change. The time is set
// only on the very file that was listed: a path that names another file by
// then (a link put in its place) is left, and so is that file. A dry run
// opens the file as for the change and changes nothing: its outcome is what
// the change would have come to.
TRedateResult RedateFile(const std::string& path, TComponent* owner, HWND ownerWindow, bool dryRun = false);

// What the third list shows for the result: the new time ("date | time"), or
// a word, with the reason where the time was not set.
std::string ResultText(const TRedateResult& result);

// "date | time", as the lists show a moment.
std::string DateTimeText(TDateTime date, TDateTime time);
