// A tar inside one layer of a compression (Compressions.h), unpacked once for both
// the look inside and the listing. The type check needs the first 512
// unpacked bytes, and bzip2 yields no byte before its whole first block (all
// of a small archive), so checking and then listing apart unpacked every
// small .tar.bz2 twice. Here one unpacking reads the first block, decides
// the way ProbeTarType does, and goes on feeding libarchive's tar reader.
#pragma once

#include <memory>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/ThreadedUnpacking.h"

namespace dv {

// Nothing unless ProbeTarType would call the file a compressed tar (and
// when it could not tell the same from what was read; the caller then
// probes and reads as before).
std::unique_ptr<EntrySource> OpenPackedTarSource(std::shared_ptr<const PositionalFile> file);
// The same over the threaded unpacking the caller already opened (nothing:
// libarchive's filter).
std::unique_ptr<EntrySource> OpenPackedTarSource(std::shared_ptr<const PositionalFile> file,
                                                 std::unique_ptr<ThreadedUnpacking> threads);

}  // namespace dv
