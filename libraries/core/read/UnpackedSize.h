// What a plain compressed file unpacks to, where the format says so without
// unpacking: xz keeps every block's size in the index at each stream's end,
// zstd the content size in each frame's header (when the compressor knew
// it, as for a file). bzip2 and compress keep none: only unpacking all
// would tell, which a listing does not do.
#pragma once

#include <cstdint>
#include <optional>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

// The sum over the file's streams; nothing when an index does not read.
std::optional<std::uint64_t> XzUnpackedSize(const PositionalFile& file);

// The sum over the file's frames (skippable frames add nothing); nothing
// when a frame keeps no content size or the frames do not read to the end.
std::optional<std::uint64_t> ZstdUnpackedSize(const PositionalFile& file);

}  // namespace dv
