// Reads a ZIP archive from its central directory, front to back through a
// bounded window: a walk visits no local header and nothing is kept per
// entry, so time and memory stay flat however many entries there are. It
// gives what libarchive's seekable reader would give for the same archive
// (ZIP64, data descriptors, comments, self-extracting offsets, UTF-8 and
// Info-ZIP Unicode names, the time extra fields), and refuses an archive
// whose central directory does not read cleanly, for the caller to read its
// local headers instead. An entry's data is read from its local header
// only when asked for.
#pragma once

#include <memory>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

// Nothing when no end record is found or the directory it names is damaged.
std::unique_ptr<EntrySource> OpenZipCentralDirectory(std::shared_ptr<const PositionalFile> file);

}  // namespace dv
