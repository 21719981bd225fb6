// What libarchive does not tell of an LHA entry, read from the entry's own
// header: its packed size, the CRC-16 of its data, the OS that made it, and
// its path as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

// The OS codes UnlhaGetOSType answers, from the header's OS letter.
enum LhaOsType : unsigned {
  kLhaOsMsDos = 0,   // 'M', and level-0 headers that name none
  kLhaOsUnix = 2,    // 'U'
  kLhaOsAmiga = 3,   // 'A'
  kLhaOsMac = 4,     // 'm'
  kLhaOsOs2 = 5,     // '2'
  kLhaOsOther = 10,  // any other letter
  kLhaOsOs9 = 11,    // '9'
  kLhaOsWin95 = 13,  // 'w'
  kLhaOsWinNt = 14,  // 'W'
  kLhaOsJava = 20,   // 'J'
};

struct LhaHeaderFacts {
  std::uint64_t packedSize = 0;  // the data alone, without extended headers
  std::uint16_t crc = 0;
  unsigned osType = kLhaOsMsDos;
  // Folder and file name as NameText makes them text (or as UTF-16
  // headers give them), '/' between names; a symbolic link's as stored,
  // "name|target". Empty when the header's names do not read.
  std::string path;
};

// The facts of the header at `offset`; nothing when it is no LHA header.
std::optional<LhaHeaderFacts> ReadLhaHeaderFacts(const PositionalFile& file, std::int64_t offset);

}  // namespace dv
