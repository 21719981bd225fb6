// "-A path" of the ZIP maker: a self-extractor made by joining a stub and a
// ZIP archive still has offsets that count from the archive's own start.
// This moves every offset by the stub's length, so that the offsets count
// from the file's start as in any ZIP: each local header's offset in the
// central directory (in its ZIP64 field when the 32-bit one is full), the
// directory's offset in the end record, and in a ZIP64 archive the ZIP64
// end record's and its locator's.
//
// - Everything is checked before anything is written: the directory reads to
//   its end, every moved offset lands on a local header, and every moved
//   value fits its field. A file that fails any check is left as it was.
// - The adjusted file is written beside the old one and moved over it only
//   when complete; it keeps the old one's permissions.
// - A file whose offsets already count from its start is left byte for byte
//   as it was (after the same checks); a read-only file is not changed.
// - Memory does not grow with the number of entries: the directory is read
//   and written one block at a time.
#pragma once

#include "libraries/core/command/Command.h"

namespace dv {

CommandResult AdjustZipSelfExtractor(const Command& command);

}  // namespace dv
