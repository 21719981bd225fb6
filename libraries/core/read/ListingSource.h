// The reader behind a listing handle. A listing reads headers only: a
// compressed tar is unpacked once for its type check and its listing, and an
// ARJ volume's data check stays inside that volume. Every other case is
// OpenSource's reader (for a ZIP, its central directory when that reads
// cleanly, which visits no local header).
#pragma once

#include <memory>

#include "libraries/core/read/Formats.h"

namespace dv {

std::unique_ptr<EntrySource> OpenListingSource(std::shared_ptr<const ArchiveFile> file, Format format);

}  // namespace dv
