// The coders of a 7z archive's folders, read from its header, so that an
// entry whose data needs a method libarchive cannot decode is known before
// anything is unpacked: libarchive itself finds out only when it starts on
// that entry's data, after the entries before it were written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/sevenzip/SevenZipHeader.h"

namespace dv {

// For each entry in header order: the name of a coder of its folder that
// libarchive does not decode ("ARM64", or the coder's id in hex), or "" when
// it has no data or every coder decodes. Nothing when the header does not
// read here (encrypted, packed by another method than LZMA or LZMA2, damaged):
// nothing is then known beforehand.
std::optional<std::vector<std::string>> SevenZipUndecodableCoders(const PositionalFile& file, std::int64_t base);

// The name of the first coder of `folder` that libarchive does not decode;
// "" when it decodes them all. Encryption is not decoding: it has its own
// refusal.
std::string UndecodableCoder(const SevenZipFolder& folder);

}  // namespace dv
