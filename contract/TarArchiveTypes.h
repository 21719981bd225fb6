// The codes tar32.dll's TarGetArchiveType answers: what kind of file of the
// tar family a path is. Each compression has two, a tar inside it and a file
// of it alone; the numbers are the ones callers have always read.
#pragma once

namespace dv {

enum TarType : int {
  kTarUnreadable = -1,  // the file cannot be read
  kTarOther = 0,        // no file of the family
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

}  // namespace dv
