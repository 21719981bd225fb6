// A libarchive read handle over part of an PositionalFile: from `base` (where an
// archive starts inside a self-extractor) up to an optional byte limit (for
// probes that must read only a bounded prefix). All reads go through pread
// on the shared file, so several readers of one file never disturb each other.
#pragma once

#include <archive.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

class LibArchiveReader {
 public:
  using Setup = std::function<void(struct archive*)>;
  static constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

  LibArchiveReader() = default;
  ~LibArchiveReader();
  LibArchiveReader(const LibArchiveReader&) = delete;
  LibArchiveReader& operator=(const LibArchiveReader&) = delete;

  // Opens a new read handle that `setup` has given its formats and filters;
  // false when none of them takes the data.
  bool Open(std::shared_ptr<const PositionalFile> file, std::int64_t base, std::int64_t limit, Setup setup);
  void Close();
  struct archive* get() const {
    return archive_;
  }
  // Why the last Open failed, as libarchive said it.
  const std::string& openError() const { return openError_; }

 private:
  static la_ssize_t Read(struct archive*, void* self, const void** block);
  static la_int64_t Skip(struct archive*, void* self, la_int64_t request);
  static la_int64_t Seek(struct archive*, void* self, la_int64_t offset, int whence);
  // Bytes of the view from the current position to its end.
  std::int64_t Remaining() const;

  struct archive* archive_ = nullptr;
  std::shared_ptr<const PositionalFile> file_;
  std::int64_t base_ = 0;
  std::int64_t end_ = 0;           // view end, absolute offset
  std::int64_t position_ = 0;      // relative to base_
  std::unique_ptr<char[]> block_;  // for a file that is not held in memory
  std::string openError_;
};

// Copies the data of the entry `archive` read last into `sink`. The holes of
// a sparse entry come as zeros, so the sink sees the whole file in order; a
// failed read is a failed check (a CRC) or data cut short. `fatal` is set
// when the failure ends the whole archive: libarchive must then not be
// asked for anything more (some of its readers still give the next header,
// and crash reading its data).
DataResult CopyArchiveData(struct archive* archive, const DataSink& sink, bool& fatal);
// The same, for a reader that is closed after this one entry anyway.
inline DataResult CopyArchiveData(struct archive* archive, const DataSink& sink) {
  bool fatal = false;
  return CopyArchiveData(archive, sink, fatal);
}

// The next header of `archive`: kEntry with `header` set, kEnd, or kBroken.
// A warning (an odd name, an unknown extra field) still gives the entry.
ReadResult NextArchiveHeader(struct archive* archive, struct archive_entry*& header);

// Fills `entry` afresh from the header `archive` read last: name, sizes,
// times, permissions, kind, link target and the method its format names.
void FillEntryFromHeader(struct archive* archive, struct archive_entry* header, Entry& entry);

}  // namespace dv
