// LHA header layouts, numbers little-endian:
//   levels 0 and 1: size (1), sum (1), method (5), packed size (4; level 1
//     counts its extended headers in), original size (4), time (4),
//     attribute (1), level (1), name length (1), name, CRC-16 (2), then for
//     level 1 the OS letter (1) and the first extended header's size (2) as
//     the last bytes of the base header; level 0 may carry an OS letter there.
//   levels 2 and 3: size (2 or 4), method (5), packed size (4), original
//     size (4), time (4), reserved (1), level (1), CRC-16 (2), OS letter (1).
#include "libraries/core/LhaHeader.h"
#include "libraries/core/LittleEndian.h"

#include <algorithm>
#include <utility>

namespace dv {
namespace {

constexpr int kMaxExtendedHeaders = 256;


unsigned OsTypeOf(unsigned char letter) {
  static constexpr std::pair<unsigned char, unsigned> kLetters[] = {
      {'M', kLhaOsMsDos}, {'U', kLhaOsUnix}, {'A', kLhaOsAmiga}, {'m', kLhaOsMac}, {'2', kLhaOsOs2},
      {'9', kLhaOsOs9},   {'w', kLhaOsWin95}, {'W', kLhaOsWinNt}, {'J', kLhaOsJava}};
  for (const auto& [known, code] : kLetters)
    if (known == letter) return code;
  return kLhaOsOther;
}

// Bytes the extended headers of a level-1 entry take, which its packed size
// counts; the chain starts with the size stored at `at`.
std::optional<std::uint64_t> Level1Extensions(const ArchiveFile& file, std::int64_t at) {
  std::uint64_t total = 0;
  unsigned char size[2];
  for (int count = 0; count < kMaxExtendedHeaders; ++count) {
    if (!file.ReadExactly(at, size, sizeof size)) return std::nullopt;
    const std::uint16_t next = Le16(size);
    if (next == 0) return total;
    if (next < 3) return std::nullopt;
    total += next;
    // This header starts past its size field; its own last two bytes hold
    // the next one's size.
    at += next;
  }
  return std::nullopt;
}

}  // namespace

std::optional<LhaHeaderFacts> ReadLhaHeaderFacts(const ArchiveFile& file, std::int64_t offset) {
  unsigned char head[24 + 255 + 3];
  if (!file.ReadExactly(offset, head, 24) || head[2] != '-' || head[3] != 'l' || head[6] != '-') return std::nullopt;
  LhaHeaderFacts facts;
  facts.packedSize = Le32(head + 7);
  const unsigned level = head[20];
  if (level >= 2) {
    if (level > 3) return std::nullopt;
    facts.crc = Le16(head + 21);
    facts.osType = OsTypeOf(head[23]);
    return facts;
  }
  const std::size_t nameLength = head[21];
  const std::size_t baseSize = static_cast<std::size_t>(head[0]) + 2;
  const std::size_t wanted = std::min(baseSize, sizeof head);
  if (wanted < 24 + nameLength || !file.ReadExactly(offset, head, wanted)) return std::nullopt;
  facts.crc = Le16(head + 22 + nameLength);
  if (baseSize > 24 + nameLength) facts.osType = OsTypeOf(head[24 + nameLength]);
  if (level == 1) {
    const auto extensions = Level1Extensions(file, offset + static_cast<std::int64_t>(baseSize) - 2);
    if (!extensions || *extensions > facts.packedSize) return std::nullopt;
    facts.packedSize -= *extensions;
  }
  return facts;
}

}  // namespace dv
