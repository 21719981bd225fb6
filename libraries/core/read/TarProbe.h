// What kind of tar32 file a path is, from a bounded prefix of it.
#pragma once

#include <cstdint>
#include <memory>

#include "contract/TarArchiveTypes.h"
#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

// How much compressed input a probe may read to decide whether a tar header
// is inside; a bzip2 block, the largest unit, is under 1 MiB.
inline constexpr long long kTarProbeInputLimit = 2 << 20;

// Where a file's tar-family archive is: its type, and where it starts (0,
// or past the stub of a self-extracting executable).
struct TarFind {
  TarType type = kTarOther;
  std::int64_t start = 0;
};

// Looks at the first bytes, and for a compressed file at the first 512 bytes
// it unpacks to, never the rest of the file. In an executable that is none
// of the family, a tar, bare or compressed, is looked for within kSfxWindow,
// where its signature shows ("ustar" in a tar header, a compression's stub
// signature, Compressions.h); a place counts only when the tar header there,
// or the first one it unpacks to, reads. Plain compressed data after a stub is no archive.
TarFind FindTarArchive(const std::shared_ptr<const PositionalFile>& file);
// FindTarArchive's type.
TarType ProbeTarType(const std::shared_ptr<const PositionalFile>& file);

// Whether the bytes at `at`, after a whole gzip or bzip2 member (`type`
// kGzipOnly or kBzip2Only), may begin another member: they match the start
// of one (gzip 1F 8B 08, bzip2 "BZh" and a level 1-9) over as many of those
// bytes as the file has left. Such a tail must then unpack as a whole member
// or the file is damaged; only a tail that cannot begin one is trailing
// garbage, which is left alone.
bool MemberMayStartAt(const PositionalFile& file, std::int64_t at, TarType type);

// Whether the file begins with a whole header of a compression (for bzip2,
// its stream header and level): one that no reader opens is then a damaged
// file of the family, not a foreign one.
bool BeginsAsCompressedFile(const PositionalFile& file);

// The libarchive set-up that unpacks a plain compressed file (the plain
// code of a compression) as one raw entry; empty for other types.
LibArchiveReader::Setup RawUnpackSetup(TarType type);

// A ustar, GNU or v7 tar header: a 512-byte block whose checksum field holds
// the sum of its bytes (the field itself counted as spaces).
bool IsTarHeader(const unsigned char (&block)[512]);

}  // namespace dv
