// What a run under the quiet switch tells its caller: nothing when every
// archive was re-dated or deliberately left as it is (read-only, no entry,
// not an archive, a date the file system cannot take); one line
// "path: reason" on standard error for each archive that could not be
// handled, and then an exit status that is not 0. A window run tells nothing.
#pragma once

#include <cstdio>
#include <exception>
#include <string>

#include "app/Redate.h"

class TQuietReport {
 public:
  // From now on failures are written to `sink` and counted.
  void Start(std::FILE* sink) { sink_ = sink; }

  // Binding the archive's name failed: its library is missing, or the
  // driver could not be made.
  void NotSetUp(const std::string& path, const std::exception& error);
  // The listing gave nothing: the library refused to open the archive.
  // An archive it opened and found empty is left as it is.
  void Listed(const std::string& path, const TNewestEntry& newest);
  // The time change: only a refusal is a failure.
  void TimeChanged(const std::string& path, const TTimeChange& change);
  // An error ended the run while it examined `path` (empty: before the
  // first archive); the error report tells the error on its own as well.
  void RunBroken(const std::string& path, const std::exception& error);

  // 0 when nothing failed (or nothing was started), 1 otherwise.
  int ExitStatus() const { return failed_ ? 1 : 0; }

 private:
  void Failed(const std::string& path, const std::string& reason);

  std::FILE* sink_ = nullptr;
  bool failed_ = false;
};
