#include "app/Redate.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "archives/ArchiveFile.h"
#include "archives/DetectArchiverType.h"
#include "drivers/base/EArchiver.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/PathAccess.h"
#include "platform/rtl/Translate.h"

namespace {
// The start value of the best date and time; every DOS date is later.
TDateTime SentinelDate() { return EncodeDate(1970, 12, 12); }

bool DecodeEntry(const ENTRYINFO& entry, TDateTime& date, TDateTime& time) {
  const auto fileDate = static_cast<TDosDateTime>((static_cast<std::uint32_t>(entry.wDate) << 16) | entry.wTime);
  return TryDecodeFileDate(fileDate, date, time);
}

// Another run over the same tree holds its lock only for the instant of its
// own time change: a few short waits tell that from a file kept open.
constexpr int kLockTries = 6;
constexpr std::chrono::milliseconds kFirstWait{5};

int OpenForTimeChange(const std::string& path, const TFileIdentity& identity) {
  std::chrono::milliseconds wait = kFirstWait;
  for (int attempt = 1;; ++attempt) {
    const int handle = FileOpen(path, fmOpenReadWrite | fmShareExclusive, &identity);
    if (handle >= 0 || errno != EWOULDBLOCK || attempt == kLockTries) return handle;
    std::this_thread::sleep_for(wait);
    wait *= 2;
  }
}

TRedateResult Outcome(TRedateOutcome outcome, std::string reason = {}) {
  TRedateResult result;
  result.outcome = outcome;
  result.reason = std::move(reason);
  return result;
}

std::string RefusalReason(int error) {
  if (error == EWOULDBLOCK) return Translate("another process holds the file");
  if (error == EINVAL) return Translate("it is no regular file");
  if (error == kFileReplaced) return Translate("another file took its place during the run; both are left as they are");
  return std::strerror(error);
}

// Opens the file as for the change; `apply` false (a dry run) closes it again
// unchanged, so that what would stop the change is still told.
TRedateResult SetNewestTime(const std::string& path, const TFileIdentity& identity, const TNewestEntry& newest,
                            bool apply) {
  TRedateResult result{TRedateOutcome::Redated, newest.date, newest.time, false, 0, {}};
  const TDosDateTime fileDate = DateTimeToFileDate(newest.date + newest.time);
  const int handle = OpenForTimeChange(path, identity);
  int error = handle < 0 ? errno : 0;
  if (handle >= 0) {
    if (apply)
      error = FileSetDate(handle, fileDate);
    else if (fileDate == 0)
      error = EINVAL;
    FileClose(handle);
  }
  if (error == 0) return result;
  if (error == EROFS) {
    result.outcome = TRedateOutcome::ReadOnly;
    result.reason = Translate("read-only");
  } else if (error == EINVAL && handle >= 0) {
    // A moment outside the DOS years comes here as the value 0.
    result.outcome = TRedateOutcome::OutOfRange;
    result.reason = Translate("2100 or later");
  } else {
    result.outcome = TRedateOutcome::NotSet;
    result.reason = RefusalReason(error);
  }
  return result;
}
}  // namespace

std::string DateTimeText(TDateTime date, TDateTime time) { return DateToStr(date) + " | " + TimeToStr(time); }

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

TRedateResult RedateFile(const std::string& path, TComponent* owner, HWND ownerWindow, bool dryRun) {
  // A path longer than the system takes is reached through its folder.
  const TPathAccess access(path);
  TArchiverType type;
  try {
    type = DetectArchiverType(access.Path(), true);
  } catch (const std::exception&) {
    type = atNone;
  }
  if (type == atNone) return Outcome(TRedateOutcome::NoArchive);

  // Which file is listed: the time goes onto that one only.
  TFileIdentity identity;
  const bool identified = GetFileIdentity(access.Path(), identity);
  TNewestEntry newest;
  {
    auto archive = std::make_unique<TArchiveFile>(owner);
    try {
      archive->SetFileName(access.Path());
    } catch (const ELibraryMissing& missing) {
      return Outcome(TRedateOutcome::Skipped,
                     std::string(missing.what()) + " (" + Translate("searched") + " " + missing.Searched() + ")");
    } catch (const std::exception& error) {
      return Outcome(TRedateOutcome::Skipped, error.what());
    }
    newest = FindNewestEntry(*archive, ownerWindow);
  }
  if (!newest.found) {
    if (newest.opened) return Outcome(TRedateOutcome::NoEntry);
    return Outcome(TRedateOutcome::NotRead, Translate("the archive could not be opened or read"));
  }
  TDateTime before = 0;
  const bool hadTime = FileAgeDateTime(access.Path(), before);
  TRedateResult result = identified ? SetNewestTime(access.Path(), identity, newest, !dryRun)
                                    : TRedateResult{TRedateOutcome::NotSet,      newest.date, newest.time, false, 0,
                                                    RefusalReason(kFileReplaced)};
  result.hadTime = hadTime;
  result.before = before;
  return result;
}

std::string ResultText(const TRedateResult& result) {
  switch (result.outcome) {
    case TRedateOutcome::Redated: return DateTimeText(result.date, result.time);
    case TRedateOutcome::NoArchive: return Translate("No Archive");
    case TRedateOutcome::Skipped: return Translate("Skip");
    case TRedateOutcome::NoEntry: return Translate("No Entry");
    case TRedateOutcome::NotRead: return Translate("Not Read");
    case TRedateOutcome::ReadOnly:
    case TRedateOutcome::OutOfRange:
    case TRedateOutcome::NotSet: return std::string(Translate("Not Set")) + " (" + result.reason + ")";
  }
  return {};
}
