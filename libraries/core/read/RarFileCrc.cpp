// RAR 4 block: CRC-16 (2), type (1), flags (2), size (2) of the block's
// header; flag 0x8000 adds data of the size in the 4 bytes after it. A file
// header (type 0x74) goes on with packed size (4), unpacked size (4), host
// (1), CRC-32 of the data (4).
// RAR 5 block: CRC-32 (4), header size (vint), then type (vint), flags
// (vint), extra area size (vint, flag 1), data size (vint, flag 2); a file
// header (type 2) goes on with file flags (vint), unpacked size (vint),
// attributes (vint), modification time (4, file flag 2), CRC-32 of the data
// (4, file flag 4).
#include "libraries/core/read/RarFileCrc.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "libraries/core/read/SignatureScan.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

constexpr std::string_view kRar4Mark{"Rar!\x1A\x07\x00", 7}, kRar5Mark{"Rar!\x1A\x07\x01\x00", 8};
// Blocks passed over before a file header: the main header, comments,
// service blocks. More is no archive libarchive just read a header of.
constexpr int kMaxBlocks = 16;
constexpr std::size_t kLook = 64;  // bytes of a block's start that hold all that is read here

struct Bytes {
  unsigned char data[kLook];
  std::size_t size = 0;
  std::size_t at = 0;
  bool ok = true;
  std::uint64_t Vint() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (at >= size) break;
      const unsigned char byte = data[at++];
      value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) return value;
    }
    ok = false;
    return 0;
  }
  std::uint32_t U32() {
    if (at + 4 > size) {
      ok = false;
      return 0;
    }
    at += 4;
    return Le32(data + at - 4);
  }
};

bool Read(const PositionalFile& file, std::int64_t at, Bytes& bytes) {
  const std::int64_t got = file.ReadAt(at, bytes.data, kLook);
  if (got <= 0) return false;
  bytes.size = static_cast<std::size_t>(got);
  bytes.at = 0;
  return true;
}

std::optional<std::uint32_t> Rar4Crc(const PositionalFile& file, std::int64_t at, std::uint64_t size) {
  for (int block = 0; block < kMaxBlocks; ++block) {
    Bytes bytes;
    if (!Read(file, at, bytes) || bytes.size < 7) return std::nullopt;
    const unsigned type = bytes.data[2], flags = Le16(bytes.data + 3), length = Le16(bytes.data + 5);
    if (length < 7) return std::nullopt;
    if (type == 0x74) {
      if (bytes.size < 20 || Le32(bytes.data + 11) != static_cast<std::uint32_t>(size)) return std::nullopt;
      return Le32(bytes.data + 16);
    }
    std::int64_t next = at + length;
    if ((flags & 0x8000) != 0) {
      if (bytes.size < 11) return std::nullopt;
      next += Le32(bytes.data + 7);
    }
    at = next;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> Rar5Crc(const PositionalFile& file, std::int64_t at, std::uint64_t size) {
  for (int block = 0; block < kMaxBlocks; ++block) {
    Bytes bytes;
    if (!Read(file, at, bytes)) return std::nullopt;
    bytes.U32();  // the header's CRC
    const std::uint64_t length = bytes.Vint();
    const std::size_t fieldsStart = bytes.at;
    const std::uint64_t type = bytes.Vint(), flags = bytes.Vint();
    if ((flags & 1) != 0) bytes.Vint();
    const std::uint64_t data = (flags & 2) != 0 ? bytes.Vint() : 0;
    if (!bytes.ok || length > (1u << 21) || data > static_cast<std::uint64_t>(file.size())) return std::nullopt;
    if (type == 4) return std::nullopt;  // encryption header: the rest is unreadable
    if (type == 2) {
      const std::uint64_t fileFlags = bytes.Vint(), unpacked = bytes.Vint();
      bytes.Vint();  // attributes
      if ((fileFlags & 2) != 0) bytes.U32();
      if ((fileFlags & 4) == 0 || unpacked != size) return std::nullopt;
      const std::uint32_t crc = bytes.U32();
      return bytes.ok ? std::optional<std::uint32_t>(crc) : std::nullopt;
    }
    at += static_cast<std::int64_t>(fieldsStart + length + data);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> RarFileCrc(const PositionalFile& file, std::int64_t base, std::int64_t position,
                                        std::uint64_t size) {
  // libarchive finds the archive inside a self-extractor itself: its start
  // is then the first signature past the stub.
  std::int64_t start = base;
  char mark[8];
  if (file.ReadAt(start, mark, sizeof mark) != sizeof mark || std::string_view(mark, 6) != kRar4Mark.substr(0, 6)) {
    const auto found = FindSignature(file, base, base + kSfxWindow, kRar4Mark.substr(0, 6));
    if (!found || file.ReadAt(*found, mark, sizeof mark) != sizeof mark) return std::nullopt;
    start = *found;
  }
  const std::int64_t from = std::max(base + position, start);
  if (std::string_view(mark, 8) == kRar5Mark)
    return Rar5Crc(file, std::max<std::int64_t>(from, start + static_cast<std::int64_t>(kRar5Mark.size())), size);
  // RAR 4's signature reads as a block of its own.
  if (std::string_view(mark, 7) == kRar4Mark) return Rar4Crc(file, from, size);
  return std::nullopt;
}

}  // namespace dv
