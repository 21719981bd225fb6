// What kind of tar32 file a path is, from a bounded prefix of it.
#pragma once

#include <cstdint>
#include <memory>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/LibArchiveReader.h"

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
  // 8 and 9 stay unused: callers have long taken them as no archive.
  kTarXz = 10,
  kXzOnly = 11,
  kTarZstd = 12,
  kZstdOnly = 13,
};

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
// of the family, a tar, tar.gz or tar.bz2 is looked for within kSfxWindow,
// where its signature shows ("ustar" in a tar header, the gzip, bzip2, xz or
// zstd magic); a place counts only when the tar header there, or the first one
// it unpacks to, reads. Plain compressed data after a stub is no archive.
TarFind FindTarArchive(const std::shared_ptr<const PositionalFile>& file);
// FindTarArchive's type.
TarType ProbeTarType(const std::shared_ptr<const PositionalFile>& file);

// The compression the magic bytes at `start` show, as the plain compressed
// type (kGzipOnly, kCompressOnly, kBzip2Only, kXzOnly, kZstdOnly); kTarOther
// for none. Reads those bytes only.
TarType CompressionAt(const PositionalFile& file, std::int64_t start);

// Whether the bytes at `at`, after a whole gzip or bzip2 member (`type`
// kGzipOnly or kBzip2Only), may begin another member: they match the start
// of one (gzip 1F 8B 08, bzip2 "BZh" and a level 1-9) over as many of those
// bytes as the file has left. Such a tail must then unpack as a whole member
// or the file is damaged; only a tail that cannot begin one is trailing
// garbage, which is left alone.
bool MemberMayStartAt(const PositionalFile& file, std::int64_t at, TarType type);

// Whether the file begins with a whole gzip, bzip2, xz or zstd header: one
// that no reader opens is then a damaged file of the family, not a foreign one.
bool BeginsAsCompressedFile(const PositionalFile& file);

// The libarchive set-up that unpacks a plain compressed file (kGzipOnly,
// kCompressOnly, kBzip2Only, kXzOnly or kZstdOnly) as one raw entry; nullptr
// for other types.
LibArchiveReader::Setup RawUnpackSetup(TarType type);

// A ustar, GNU or v7 tar header: a 512-byte block whose checksum field holds
// the sum of its bytes (the field itself counted as spaces).
bool IsTarHeader(const unsigned char (&block)[512]);

}  // namespace dv
