// Our own ARJ reader; libarchive has none. It reads headers only and steps
// over each entry's compressed data without touching it.
#pragma once

#include <memory>

#include "libraries/core/ArchiveFile.h"
#include "libraries/core/Entry.h"

namespace dv {

// Opens the ARJ archive at the start of `file` or, for an executable, the
// first one whose main header checks out within its first MiB, among the
// first kSfxCandidateLimit places whose header size is plausible. Nothing
// when there is none.
std::unique_ptr<EntrySource> OpenArjSource(std::shared_ptr<const ArchiveFile> file);

}  // namespace dv
