#include "app/Redate.h"

#include <cerrno>
#include <cstdint>

#include "archives/ArchiveFile.h"
#include "platform/rtl/Files.h"

namespace {
// The start value of the best date and time; every DOS date is later.
TDateTime SentinelDate() { return EncodeDate(1970, 12, 12); }

bool DecodeEntry(const ENTRYINFO& entry, TDateTime& date, TDateTime& time) {
  const auto fileDate = static_cast<TDosDateTime>((static_cast<std::uint32_t>(entry.wDate) << 16) | entry.wTime);
  return TryDecodeFileDate(fileDate, date, time);
}
}  // namespace

TNewestEntry FindNewestEntry(TArchiveFile& archive, HWND ownerWindow) {
  TNewestEntry best;
  best.date = SentinelDate();
  best.time = 0;
  ENTRYINFO entry{};
  best.opened = archive.OpenArchive(ownerWindow, 0) != 0;
  struct Closer {
    TArchiveFile& archive;
    ~Closer() { archive.CloseArchive(); }
  } closer{archive};
  for (int result = archive.FindFirst("*.*", &entry); result == 0; result = archive.FindNext(&entry)) {
    TDateTime date, time;
    if (!DecodeEntry(entry, date, time)) continue;
    // The largest (date, time) pair, date first.
    if (date == best.date && time > best.time) best.time = time;
    if (date > best.date) {
      best.date = date;
      best.time = time;
    }
  }
  best.found = best.date != SentinelDate();
  return best;
}

TTimeChange SetLastWriteTime(const std::string& path, TDateTime moment) {
  const TDosDateTime fileDate = DateTimeToFileDate(moment);
  const int handle = FileOpen(path, fmOpenReadWrite | fmShareExclusive);
  if (handle < 0) {
    const int error = errno;
    if (error == EROFS) return {TTimeChangeOutcome::ReadOnly};
    return {TTimeChangeOutcome::Refused, error};
  }
  // A refusal leaves the old time, as intended; the caller learns why.
  const int error = FileSetDate(handle, fileDate);
  FileClose(handle);
  if (error == 0) return {TTimeChangeOutcome::Set};
  // A moment outside the DOS years comes here as the value 0.
  if (error == EINVAL) return {TTimeChangeOutcome::OutOfRange};
  return {TTimeChangeOutcome::Refused, error};
}
