// The CRC-32 a RAR archive stores for an entry's data, which libarchive
// reads and checks but does not give: read here from the entry's file
// header, found by walking the blocks from where libarchive began to read
// that entry's header.
#pragma once

#include <cstdint>
#include <optional>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

// The stored CRC of the first file header at or after `position` of the
// archive read from `base` (past its signature, which may follow a
// self-extractor's stub, and past blocks of other kinds), when its unpacked size is `size` (RAR 4 compares its low 32
// bits). Nothing when no such header reads within a few blocks, or the
// headers are encrypted.
std::optional<std::uint32_t> RarFileCrc(const PositionalFile& file, std::int64_t base, std::int64_t position,
                                        std::uint64_t size);

}  // namespace dv
