// The state behind one archive handle: the open reader, the pattern of the
// current walk, and where the walk is.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "archives/EntryInfo.h"
#include "libraries/core/Formats.h"

namespace dv {

class Listing {
 public:
  // Nothing when the path is not a readable regular file of `format`.
  static std::unique_ptr<Listing> Open(const char* path, Format format);
  explicit Listing(std::unique_ptr<EntrySource> source) : source_(std::move(source)) {}

  // Restarts the walk at the first entry matching `wildcard`.
  int FindFirst(const char* wildcard, ENTRYINFO* record);
  // The next entry matching the walk's pattern (every entry before any
  // FindFirst).
  int FindNext(ENTRYINFO* record);
  // True when every header reads, up to a clean end.
  bool ReadsToEnd();

 private:
  int NextMatch(ENTRYINFO* record);

  std::mutex mutex_;
  std::unique_ptr<EntrySource> source_;
  std::string pattern_;
  bool atStart_ = true;  // nothing read since the reader opened or rewound
};

}  // namespace dv
