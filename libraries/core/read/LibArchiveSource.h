// Lists the formats libarchive reads for us: LHA, ZIP (from its local
// headers, when its central directory is lost), CAB, RAR 4 and 5, tar (bare
// or in a compression of Compressions.h) and 7z.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/Formats.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

// The six bytes a 7z archive starts with.
inline constexpr std::string_view kSevenZipSignature{"7z\xBC\xAF\x27\x1C", 6};

// Whether `file` may be a 7z self-extractor: a DOS/Windows executable, or
// an ELF program as p7zip's are.
bool IsSevenZipExecutable(const PositionalFile& file);

// Opens the archive of `format` at the start of `file` or, for an executable,
// where one starts within its first MiB. Nothing when there is none, or
// when libarchive does not read the format for us (ARJ).
std::unique_ptr<EntrySource> OpenLibArchiveSource(std::shared_ptr<const PositionalFile> file, Format format);

// Opens the archive of `format` that starts at `start`, found there
// already; nothing when it does not open.
std::unique_ptr<EntrySource> OpenLibArchiveSourceAt(std::shared_ptr<const PositionalFile> file, Format format,
                                                    std::int64_t start);

}  // namespace dv
