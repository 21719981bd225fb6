// Our reader of a 7z archive's header: the start header after the
// signature, then the header at the archive's end that it points to, which
// holds every entry's name, size, CRC, attributes and times and the coders
// of each folder of packed data. 7-Zip usually packs that header itself
// (LZMA or LZMA2, which liblzma decodes); nothing else of the archive is
// read. Every CRC the header has is checked, and every count and size is
// bounded by the bytes of the header that hold it: what does not fit is
// refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

struct SevenZipCoder {
  std::uint64_t id = 0;
  std::vector<unsigned char> properties;
};

struct SevenZipFolder {
  std::vector<SevenZipCoder> coders;
  std::uint64_t unpackSize = 0;      // of the folder's result
  std::optional<std::uint32_t> crc;  // of the folder's result
  std::uint64_t streams = 1;         // entries whose data it holds
};

struct SevenZipItem {
  std::string name;        // UTF-8, as stored (no '/' added)
  bool hasData = true;     // false: an empty file or a folder
  bool emptyFile = false;  // without data, and still a file
  bool anti = false;       // marks a deletion in an update archive
  std::optional<std::uint32_t> attributes;
  // Windows FILETIMEs: 100 ns units since 1601, UTC.
  std::optional<std::uint64_t> modified, accessed, created;
  std::uint64_t size = 0;
  std::optional<std::uint32_t> crc;
  std::size_t folder = 0;  // of an item with data
};

struct SevenZipHeader {
  std::vector<SevenZipFolder> folders;
  std::vector<SevenZipItem> items;
};

// The header of the archive that starts at `base`; nothing when there is no
// 7z there, or its header is damaged, encrypted, packed by a method other
// than LZMA and LZMA2, or does not read.
std::optional<SevenZipHeader> ReadSevenZipHeader(const PositionalFile& file, std::int64_t base);

}  // namespace dv
