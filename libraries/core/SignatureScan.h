// Finding where an archive starts inside a self-extracting executable.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "libraries/core/ArchiveFile.h"

namespace dv {

// How far into an executable an archive may start. Stubs are far smaller;
// the bound keeps a probe of a large non-archive cheap.
inline constexpr std::int64_t kSfxWindow = 1 << 20;
// How many candidates past their signature may be tried in full, so that a
// stub full of look-alike bytes cannot make a probe slow.
inline constexpr int kSfxCandidateLimit = 32;

// Offset of the first occurrence of `signature` that starts in [from, limit),
// reading the file in bounded chunks.
std::optional<std::int64_t> FindSignature(const ArchiveFile& file, std::int64_t from, std::int64_t limit,
                                          std::string_view signature);

}  // namespace dv
