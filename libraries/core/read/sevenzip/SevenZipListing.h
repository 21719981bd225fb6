// A 7z listed from its header alone (SevenZipHeader.h): libarchive would
// unpack every solid folder on the way from one entry to the next. The
// entries are what libarchive's reader gives for them; only the data of an
// entry, when asked for, is read through libarchive.
#pragma once

#include <memory>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

// The listing of the 7z that `file` starts with, or that a self-extractor
// holds after its stub; nothing when no header reads here (an encrypted
// one, say), which is then left to libarchive.
std::unique_ptr<EntrySource> OpenSevenZipListing(std::shared_ptr<const PositionalFile> file);

}  // namespace dv
