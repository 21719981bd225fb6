// The archive formats, each accepted by exactly one library, and the reader
// that opens each.
#pragma once

#include <memory>

#include "libraries/core/read/ArchiveFile.h"
#include "libraries/core/read/Entry.h"

namespace dv {

enum class Format {
  kLha,  // LHA/LZH and its self-extractors
  kZip,  // ZIP and its self-extractors
  kCab,
  kArj,
  kRar,  // RAR 4 and 5 and their self-extractors
  kTar,  // tar, tar.gz, tar.Z, tar.bz2, and plain .gz, .Z and .bz2 files
};

// The reader of `file` as `format`, as extraction needs it (an ARJ entry
// split across volumes is read whole); nothing when the file is not of it.
std::unique_ptr<EntrySource> OpenSource(std::shared_ptr<const ArchiveFile> file, Format format);

}  // namespace dv
