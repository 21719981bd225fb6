// An archive being written: into a new file beside its final name, moved
// over that name only by Commit. Until then, and whenever anything fails,
// the old archive (if any) stays exactly as it was, and the new file is
// removed when the object goes.
#pragma once

#include <archive.h>

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "contract/ResultCodes.h"
#include "libraries/core/command/Command.h"
#include "libraries/core/create/FileCollector.h"
#include "libraries/core/read/Entry.h"
#include "libraries/core/util/DiskFiles.h"

namespace dv {

enum class ArchiveKind { kZip, kTar, kSevenZip };

enum class AddResult {
  kAdded,
  kDataFailed,   // the data's source failed (DataResult other than kDone)
  kWriteFailed,  // the new archive could not take it
  kNameRefused,  // the format cannot hold the name as it is (a 7z's must be UTF-8 text)
};

class NewArchive {
 public:
  // Nothing when the file cannot be made or the writer set up. `level` -1
  // is the method's default; for ZIP and 7z 0 stores.
  static std::unique_ptr<NewArchive> Create(const std::string& target, ArchiveKind kind, const Compression* compression,
                                            int level);
  ~NewArchive();
  NewArchive(const NewArchive&) = delete;
  NewArchive& operator=(const NewArchive&) = delete;

  // Stores the entry (a folder's path ends in '/'), its data from `fill`.
  AddResult Add(const Entry& entry, const std::function<DataResult(const DataSink&)>& fill);
  // Finishes the archive, gives it `mode` (an old archive's, or nothing for
  // a new file's default) and moves it over the target.
  bool Commit(std::optional<mode_t> mode);

 private:
  NewArchive(Folder folder, UniqueFd file, std::string temporary, std::string finalName)
      : folder_(std::move(folder)),
        file_(std::move(file)),
        temporary_(std::move(temporary)),
        finalName_(std::move(finalName)) {}
  bool SetUp(ArchiveKind kind, const Compression* compression, int level);

  Folder folder_;
  UniqueFd file_;
  std::string temporary_;
  std::string finalName_;
  ArchiveKind kind_ = ArchiveKind::kZip;
  struct archive* writer_ = nullptr;
  bool committed_ = false;
};

// Stores a file found on disk, its data read when it is stored; a file that
// cannot be read, or whose length changed since it was found, is kDataFailed.
AddResult AddFromDisk(NewArchive& archive, const SourceFile& file);

// The command's code for a failed Add: `dataFailure` when the data's source
// failed (kErrorCannotRead for files, kErrorBrokenArchive for entries).
inline int FailureCode(AddResult result, int dataFailure) {
  return result == AddResult::kDataFailed ? dataFailure : kErrorCannotCreate;
}
// "cannot store PATH", with the reason when the name was refused.
inline std::string StoreFailure(AddResult result, const std::string& path) {
  return "cannot store " + path +
         (result == AddResult::kNameRefused ? ": a 7z holds only names that are UTF-8 text" : "");
}

}  // namespace dv
