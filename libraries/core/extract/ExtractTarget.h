// The base directory extraction writes into, and the only way it writes:
// every folder below the base is opened one name at a time without
// following a symbolic link, so nothing an archive names, and no link
// already in the target, can lead a write outside the base. Files are
// written beside their final name and moved there when complete; a link
// standing at that name is replaced, never written through.
#pragma once

#include <sys/types.h>

#include <cerrno>

#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "libraries/core/read/Entry.h"
#include "libraries/core/util/DiskFiles.h"

namespace dv {

enum class WriteOutcome {
  kWritten,
  kKept,           // a file stands there and overwriting was not asked for
  kUnsafe,         // a symbolic link (or a file) stands where a folder must be
  kCannotCreate,   // the file system refused
  kBroken,         // the entry's data failed
  kUnsupported,    // the entry's method cannot be unpacked
  kVolumeMissing,  // part of the entry's data is in a volume that is not there
};

struct Stamp {
  mode_t mode = 0;
  std::optional<std::time_t> modified;
  std::optional<std::time_t> accessed;
};

class ExtractTarget {
 public:
  // `base` made with its parents when missing; "" is the current folder.
  static std::optional<ExtractTarget> Open(const std::string& base);

  // `path`: names below the base, as SafeComponents gives them (not empty).
  WriteOutcome WriteFile(const std::vector<std::string>& path, const Stamp& stamp, bool overwrite,
                         const std::function<DataResult(const DataSink&)>& fill);
  // Writes `path` as a copy of the file `from` that this extraction wrote
  // (the archive's hard link); kCannotCreate when that file is not there.
  WriteOutcome CopyFile(const std::vector<std::string>& from, const std::vector<std::string>& path, const Stamp& stamp,
                        bool overwrite);
  // Makes the folder; a folder made here gets `stamp` in Finish.
  WriteOutcome MakeDirectory(const std::vector<std::string>& path, const Stamp& stamp);
  // Stamps the folders made for folder entries, deepest first (writing
  // their files would have changed their times, and a read-only folder
  // would have refused them).
  void Finish();
  // The system's reason (an errno value) for the last kCannotCreate.
  int error() const { return error_; }

 private:
  // kCannotCreate, keeping `error` (errno by default) for the report.
  WriteOutcome Refused(int error = errno);

  explicit ExtractTarget(Folder base) : base_(std::move(base)) {}
  // Opens the folder `count` names deep along `path`, making missing ones
  // when `create`; nothing in `folder` for the base itself (count 0).
  WriteOutcome OpenFolder(const std::vector<std::string>& path, std::size_t count, bool create,
                          std::optional<Folder>& folder);

  struct PendingFolder {
    std::vector<std::string> path;
    Stamp stamp;
  };
  Folder base_;
  std::set<std::string> madeHere_;  // folders this extraction made
  std::vector<PendingFolder> pending_;
  int error_ = 0;
};

// The mode an extracted entry gets: its own, less the set-id and sticky
// bits and group and others' write, but always readable and writable (and
// for folders enterable) by the owner; a file the archive marks read-only
// (Entry::readOnly) stays so, readable by the owner.
mode_t SafeMode(const Entry& entry);

}  // namespace dv
