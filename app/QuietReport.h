// What a run under the quiet switch tells its caller: nothing when every
// archive was re-dated or deliberately left as it is (read-only, no entry,
// not an archive, a date the file system cannot take); one line
// "path: reason" on standard error for each archive that could not be
// handled, each path given that is not there and each folder that could not
// be read, and then an exit status that is not 0. A window run tells nothing.
// Every line starts with the program's name. Asked for (-v, -n), any run also
// tells on standard output each archive re-dated, or that a dry run would
// re-date, with its old and new time, and (-v) each archive left as it is.
#pragma once

#include <cstdio>
#include <exception>
#include <string>

#include "app/Redate.h"

class TQuietReport {
 public:
  // From now on failures are written to `sink` and counted.
  void Start(std::FILE* sink) { sink_ = sink; }
  bool Started() const { return sink_ != nullptr; }
  // From now on archives re-dated (or that would be, in a dry run) are told
  // to `out`, and with `verbose` those deliberately left too.
  void Describe(std::FILE* out, bool verbose, bool dryRun);

  // What became of one file; only failures and skips are told.
  void Redated(const std::string& path, const TRedateResult& result);
  // A path given that names nothing (the system's errno value).
  void Missing(const std::string& path, int error);
  // A folder, or an entry of one, that could not be read or examined.
  void NotScanned(const std::string& path, int error);
  // An error ended the run while it examined `path` (empty: before the
  // first archive); the error report tells the error on its own as well.
  void RunBroken(const std::string& path, const std::exception& error);

  // 0 when nothing failed (or nothing was started), 1 otherwise.
  int ExitStatus() const { return failed_ ? 1 : 0; }

 private:
  void Failed(const std::string& path, const std::string& reason);
  void Tell(const std::string& path, const std::string& what);

  std::FILE* sink_ = nullptr;
  std::FILE* out_ = nullptr;
  bool verbose_ = false;
  bool dryRun_ = false;
  bool failed_ = false;
};
