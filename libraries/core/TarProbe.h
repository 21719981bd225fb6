// What kind of tar32 file a path is, from a bounded prefix of it.
#pragma once

#include <memory>

#include "libraries/core/ArchiveFile.h"
#include "libraries/core/LibArchiveReader.h"

namespace dv {

// The codes TarGetArchiveType returns; -1 is for a file that cannot be read.
enum TarType : int {
  kTarUnreadable = -1,
  kTarOther = 0,
  kTarPlain = 1,
  kTarGzip = 2,
  kTarCompress = 3,
  kGzipOnly = 4,
  kCompressOnly = 5,
  kTarBzip2 = 6,
  kBzip2Only = 7,
};

// How much compressed input a probe may read to decide whether a tar header
// is inside; a bzip2 block, the largest unit, is under 1 MiB.
inline constexpr long long kTarProbeInputLimit = 2 << 20;

// Looks at the first bytes, and for a compressed file at the first 512 bytes
// it unpacks to, never the rest of the file.
TarType ProbeTarType(const std::shared_ptr<const ArchiveFile>& file);

// The libarchive set-up that unpacks a plain compressed file (kGzipOnly,
// kCompressOnly or kBzip2Only) as one raw entry; nullptr for other types.
LibArchiveReader::Setup RawUnpackSetup(TarType type);

// A ustar, GNU or v7 tar header: a 512-byte block whose checksum field holds
// the sum of its bytes (the field itself counted as spaces).
bool IsTarHeader(const unsigned char (&block)[512]);

}  // namespace dv
