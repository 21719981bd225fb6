// The archive formats, each accepted by exactly one library, and the reader
// that opens each.
#pragma once

#include <memory>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

enum class Format {
  kLha,  // LHA/LZH and its self-extractors
  kZip,  // ZIP and its self-extractors
  kCab,
  kArj,
  kRar,       // RAR 4 and 5 and their self-extractors
  kTar,       // tar, tar.gz, tar.Z, tar.bz2, and plain .gz, .Z and .bz2 files
  kSevenZip,  // 7z and its self-extractors
};

// What the reader is for. A listing reads headers only: a compressed tar is
// unpacked once for its type check and its listing, and a split ARJ is walked
// through its later volumes while each entry's data check stays inside the
// volume it was listed from. Extraction (and the changes that copy
// entries) reads data: an ARJ entry split across volumes is read whole.
enum class ReadFor { kListing, kData };

// The one place that picks the reader of `file` as `format` (for a ZIP, its
// central directory when that reads cleanly, which visits no local header);
// nothing when the file is not of it.
std::unique_ptr<EntrySource> OpenSource(std::shared_ptr<const PositionalFile> file, Format format, ReadFor purpose);

// Whether `file`, which no reader of `format` opens, still begins as a file
// of it (a compressed tar cut short): damaged, rather than no such file.
bool BeginsAsFormat(const PositionalFile& file, Format format);

}  // namespace dv
