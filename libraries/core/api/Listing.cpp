#include "libraries/core/api/Listing.h"

#include "contract/ResultCodes.h"
#include "libraries/core/api/EntryRecord.h"
#include "libraries/core/read/Formats.h"
#include "libraries/core/select/Wildcard.h"

namespace dv {

std::unique_ptr<Listing> Listing::Open(const char* path, Format format) {
  auto file = PositionalFile::Open(path);
  if (!file) return nullptr;
  auto source = OpenSource(file, format, ReadFor::kListing);
  if (!source) return nullptr;
  return std::make_unique<Listing>(std::move(source), std::move(file));
}

int Listing::FindFirst(const char* wildcard, ENTRYINFO* record) {
  std::lock_guard lock(mutex_);
  pattern_ = wildcard != nullptr ? wildcard : "";
  current_.reset();
  // Opening left the reader at the start; only a walk already begun needs
  // the archive opened again.
  if (!atStart_ && !source_->Rewind()) return kListEnd;
  ended_ = false;
  return NextMatch(record);
}

int Listing::FindNext(ENTRYINFO* record) {
  std::lock_guard lock(mutex_);
  return NextMatch(record);
}

bool Listing::ReadsToEnd(bool withData) {
  std::lock_guard lock(mutex_);
  if (!atStart_ && !source_->Rewind()) return false;
  atStart_ = false;
  current_.reset();
  const DataSink discard = [](const void*, std::size_t) { return true; };
  Entry entry;
  ReadResult result;
  while ((result = source_->Next(entry)) == ReadResult::kEntry) {
    if (!withData) continue;
    const DataResult data = source_->ReadData(discard);
    if (data != DataResult::kDone && data != DataResult::kUnsupported) return false;
  }
  return result == ReadResult::kEnd;
}

std::optional<Entry> Listing::Current() {
  std::lock_guard lock(mutex_);
  return current_;
}

int Listing::NextMatch(ENTRYINFO* record) {
  atStart_ = false;
  current_.reset();
  Entry entry;
  ReadResult read;
  while ((read = source_->Next(entry)) == ReadResult::kEntry) {
    if (!WildcardMatches(pattern_, entry.path)) continue;
    // An entry that stores no time (a 7z made with -mtm=off, a RAR 5 entry
    // without its time field) gets the DOS date 0, which is no calendar date:
    // a made-up 1980 would be taken for its real date, and the archive's own
    // date would outrank the real times of the entries beside it.
    if (!entry.modified && !entry.storedDosStamp) entry.storedDosStamp = DosStamp{0, 0};
    if (record != nullptr) FillRecord(entry, *record);
    current_ = std::move(entry);
    return kOk;
  }
  // The entries listed are not all the archive has: the caller is told why
  // the walk ended, once.
  const bool missing = read == ReadResult::kVolumeMissing && !ended_;
  ended_ = true;
  return missing ? kErrorVolumeMissing : kListEnd;
}

}  // namespace dv
