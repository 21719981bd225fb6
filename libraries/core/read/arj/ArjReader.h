// Our own ARJ reader; libarchive has none. A walk reads headers only and
// steps over each entry's packed data; ReadData unpacks it (ArjDecoder.h)
// and checks it against the entry's CRC.
#pragma once

#include <memory>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

// How the reader treats a split archive (name.arj, name.a01, ...), whose
// volumes each hold whole entries and parts of entries, every part with its
// own size and CRC.
enum class ArjVolumes {
  // The walk lists this file's entries; ReadData unpacks and checks the
  // part in this file only.
  kThisFile,
  // The walk goes on into each next volume as with kFollow, so a listing
  // sees every entry of the archive; ReadData unpacks and checks the part
  // in the volume the entry was listed from, as with kThisFile.
  kListVolumes,
  // The walk goes on into each next volume while the main header says one
  // follows (kVolumeMissing when it is not there); ReadData gives an
  // entry's whole data from all its parts, and kVolumeMissing for a part
  // whose beginning is in a volume before the one given.
  kFollow,
};

// Opens the ARJ archive at the start of `file` or, for an executable, the
// first one whose main header checks out within its first MiB, among the
// first kSfxCandidateLimit places whose header size is plausible. Nothing
// when there is none.
std::unique_ptr<EntrySource> OpenArjSource(std::shared_ptr<const PositionalFile> file, ArjVolumes volumes);

}  // namespace dv
