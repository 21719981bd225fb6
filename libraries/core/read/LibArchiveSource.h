// Lists the formats libarchive reads for us.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/Entry.h"

namespace dv {

enum class LibArchiveKind {
  kLha,  // LHA/LZH, header levels 0-3
  kZip,  // read from the central directory; from local headers when it is lost
  kCab,
  kRar,  // RAR 4 and RAR 5
  kTar,  // tar, bare or in a compression of Compressions.h
  kSevenZip,
};

// The six bytes a 7z archive starts with.
inline constexpr std::string_view kSevenZipSignature{"7z\xBC\xAF\x27\x1C", 6};

// Whether `file` may be a 7z self-extractor: a DOS/Windows executable, or
// an ELF program as p7zip's are.
bool IsSevenZipExecutable(const PositionalFile& file);

// Opens the archive of `kind` at the start of `file` or, for an executable,
// where one starts within its first MiB. Nothing when there is none.
std::unique_ptr<EntrySource> OpenLibArchiveSource(std::shared_ptr<const PositionalFile> file, LibArchiveKind kind);

// Opens the archive of `kind` that starts at `start`, found there already;
// nothing when it does not open.
std::unique_ptr<EntrySource> OpenLibArchiveSourceAt(std::shared_ptr<const PositionalFile> file, LibArchiveKind kind,
                                                    std::int64_t start);

}  // namespace dv
