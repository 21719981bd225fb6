// Where the blocks of a bzip2 file start. Blocks are packed bit to bit, so a
// block's 48-bit magic may start at any bit; so may the end-of-stream magic
// that closes each stream. The same bits can also appear by chance inside
// compressed data: a marker found here is only a candidate, which decoding
// confirms or rejects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

inline constexpr std::uint64_t kBzip2BlockMagic = 0x314159265359;
inline constexpr std::uint64_t kBzip2EndMagic = 0x177245385090;
inline constexpr unsigned kBzip2MagicBits = 48;

enum class Bzip2MarkerKind { kBlock, kEnd };

struct Bzip2Marker {
  std::uint64_t bit = 0;  // where the magic starts, counted from the file's first bit
  Bzip2MarkerKind kind = Bzip2MarkerKind::kBlock;
  friend bool operator==(const Bzip2Marker&, const Bzip2Marker&) = default;
};

// Appends, in bit order, every magic of either kind that starts in the first
// `scanBytes` bytes of `bytes` and ends within `bytes`; `firstBit` is the
// file bit of bytes[0]. Overlapping hits are all kept.
void FindBzip2Markers(std::span<const std::uint8_t> bytes, std::size_t scanBytes, std::uint64_t firstBit,
                      std::vector<Bzip2Marker>& found);

// `count` (at most 57) bits of the file from bit `at`, first bit highest;
// nothing when the file ends before them.
std::optional<std::uint64_t> ReadBitsAt(const PositionalFile& file, std::uint64_t at, unsigned count);

// The level digit of a stream header ("BZh1".."BZh9") followed by either
// magic at `byte`; nothing when there is none.
std::optional<int> Bzip2StreamLevelAt(const PositionalFile& file, std::int64_t byte);

// Every marker of a file in bit order, read a chunk at a time, so that a
// file of any size costs one pass and a bounded buffer.
class Bzip2BlockFinder {
 public:
  static constexpr std::size_t kDefaultChunk = 1 << 20;
  explicit Bzip2BlockFinder(std::shared_ptr<const PositionalFile> file, std::size_t chunkBytes = kDefaultChunk);

  // The next marker; nothing at the end of the file or after a read error.
  std::optional<Bzip2Marker> Next();
  bool failed() const { return failed_; }

 private:
  bool ScanNextChunk();

  std::shared_ptr<const PositionalFile> file_;
  std::size_t chunkBytes_;
  std::int64_t nextByte_ = 0;  // the first byte not scanned yet as a start
  std::vector<std::uint8_t> buffer_;
  std::vector<Bzip2Marker> found_;
  std::size_t given_ = 0;  // of found_
  bool failed_ = false;
};

}  // namespace dv
