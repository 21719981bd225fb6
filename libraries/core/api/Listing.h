// The state behind one archive handle: the open reader, the pattern of the
// current walk, where the walk is, and the entry it found last.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "contract/EntryInfo.h"
#include "libraries/core/read/Formats.h"

namespace dv {

class Listing {
 public:
  // Nothing when the path is not a readable regular file of `format`.
  static std::unique_ptr<Listing> Open(const char* path, Format format);
  Listing(std::unique_ptr<EntrySource> source, std::shared_ptr<const PositionalFile> file)
      : source_(std::move(source)), file_(std::move(file)) {}

  // Restarts the walk at the first entry matching `wildcard`.
  int FindFirst(const char* wildcard, ENTRYINFO* record);
  // The next entry matching the walk's pattern (every entry before any
  // FindFirst). A walk that meets a volume of a split archive that is not
  // there ends with kErrorVolumeMissing, once; then with kListEnd.
  int FindNext(ENTRYINFO* record);
  // True when every header reads, up to a clean end, and with `withData`
  // every entry's data unpacks and checks out too (or is of a method the
  // reader cannot unpack, which says nothing of damage).
  bool ReadsToEnd(bool withData);
  // The entry FindFirst or FindNext found last; nothing before the first
  // and after the walk's end.
  std::optional<Entry> Current();
  const std::shared_ptr<const PositionalFile>& file() const { return file_; }

 private:
  int NextMatch(ENTRYINFO* record);

  std::mutex mutex_;
  std::unique_ptr<EntrySource> source_;
  std::shared_ptr<const PositionalFile> file_;
  std::string pattern_;
  bool atStart_ = true;  // nothing read since the reader opened or rewound
  bool ended_ = false;   // the walk said its end
  std::optional<Entry> current_;
};

}  // namespace dv
