#include "libraries/core/Listing.h"

#include "libraries/core/EntryRecord.h"
#include "libraries/core/ErrorCodes.h"
#include "libraries/core/Wildcard.h"

namespace dv {

std::unique_ptr<Listing> Listing::Open(const char* path, Format format) {
  auto file = ArchiveFile::Open(path);
  if (!file) return nullptr;
  auto source = OpenSource(std::move(file), format);
  if (!source) return nullptr;
  return std::make_unique<Listing>(std::move(source));
}

int Listing::FindFirst(const char* wildcard, ENTRYINFO* record) {
  std::lock_guard lock(mutex_);
  pattern_ = wildcard != nullptr ? wildcard : "";
  // Opening left the reader at the start; only a walk already begun needs
  // the archive opened again.
  if (!atStart_ && !source_->Rewind()) return kListEnd;
  return NextMatch(record);
}

int Listing::FindNext(ENTRYINFO* record) {
  std::lock_guard lock(mutex_);
  return NextMatch(record);
}

bool Listing::ReadsToEnd() {
  std::lock_guard lock(mutex_);
  if (!atStart_ && !source_->Rewind()) return false;
  atStart_ = false;
  Entry entry;
  ReadResult result;
  while ((result = source_->Next(entry)) == ReadResult::kEntry) {
  }
  return result == ReadResult::kEnd;
}

int Listing::NextMatch(ENTRYINFO* record) {
  atStart_ = false;
  Entry entry;
  while (source_->Next(entry) == ReadResult::kEntry) {
    if (!WildcardMatches(pattern_, entry.path)) continue;
    if (record != nullptr) FillRecord(entry, *record);
    return kOk;
  }
  return kListEnd;
}

}  // namespace dv
