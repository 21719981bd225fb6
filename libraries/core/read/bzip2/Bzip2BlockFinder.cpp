#include "libraries/core/read/bzip2/Bzip2BlockFinder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace dv {
namespace {

constexpr std::uint64_t kMagicMask = (std::uint64_t{1} << kBzip2MagicBits) - 1;
constexpr std::array<std::uint64_t, 2> kMagics{kBzip2BlockMagic, kBzip2EndMagic};

// A magic starting at bit `shift` of byte i covers the whole of bytes i+1 and
// i+2 whatever the shift. The table maps those two bytes to the (magic,
// shift) pairs they fit, bit 8 * magic + shift, so most positions cost one
// look-up and only a few a full comparison.
using PairTable = std::array<std::uint16_t, 65536>;

PairTable MakePairTable() {
  PairTable table{};
  for (std::size_t kind = 0; kind < kMagics.size(); ++kind)
    for (unsigned shift = 0; shift < 8; ++shift)
      table[(kMagics[kind] >> (24 + shift)) & 0xFFFF] |= static_cast<std::uint16_t>(1u << (8 * kind + shift));
  return table;
}

const PairTable& Pairs() {
  static const PairTable table = MakePairTable();
  return table;
}

// Bytes [at, at + 8) as one big-endian word; bytes past `size` read as zero.
std::uint64_t Word(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < 8; ++i) word = word << 8 | (at + i < size ? bytes[at + i] : 0);
  return word;
}

}  // namespace

void FindBzip2Markers(std::span<const std::uint8_t> bytes, std::size_t scanBytes, std::uint64_t firstBit,
                      std::vector<Bzip2Marker>& found) {
  const std::uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
  // A magic needs six bytes from its first one on.
  if (size < 6) return;
  const std::size_t last = std::min(scanBytes, size - 5);
  const PairTable& pairs = Pairs();
  for (std::size_t i = 0; i < last; ++i) {
    const unsigned candidates = pairs[static_cast<unsigned>(data[i + 1]) << 8 | data[i + 2]];
    if (candidates == 0) continue;
    const std::uint64_t word = Word(data, size, i);
    for (unsigned shift = 0; shift < 8; ++shift) {
      if (8 * i + shift + kBzip2MagicBits > 8 * size) break;
      const std::uint64_t bits = (word >> (16 - shift)) & kMagicMask;
      for (std::size_t kind = 0; kind < kMagics.size(); ++kind)
        if ((candidates >> (8 * kind + shift) & 1) != 0 && bits == kMagics[kind])
          found.push_back({firstBit + 8 * i + shift, kind == 0 ? Bzip2MarkerKind::kBlock : Bzip2MarkerKind::kEnd});
    }
  }
}

std::optional<std::uint64_t> ReadBitsAt(const PositionalFile& file, std::uint64_t at, unsigned count) {
  std::uint8_t bytes[8] = {};
  const std::size_t length = (at % 8 + count + 7) / 8;
  if (count == 0 || count > 57 || !file.ReadExactly(static_cast<std::int64_t>(at / 8), bytes, length))
    return std::nullopt;
  return Word(bytes, sizeof bytes, 0) >> (64 - at % 8 - count) & ((std::uint64_t{1} << count) - 1);
}

std::optional<int> Bzip2StreamLevelAt(const PositionalFile& file, std::int64_t byte) {
  std::uint8_t head[10];
  if (byte < 0 || !file.ReadExactly(byte, head, sizeof head)) return std::nullopt;
  if (std::memcmp(head, "BZh", 3) != 0 || head[3] < '1' || head[3] > '9') return std::nullopt;
  const std::uint64_t magic = Word(head + 4, 6, 0) >> 16;
  if (magic != kBzip2BlockMagic && magic != kBzip2EndMagic) return std::nullopt;
  return head[3] - '0';
}

Bzip2BlockFinder::Bzip2BlockFinder(std::shared_ptr<const PositionalFile> file, std::size_t chunkBytes)
    : file_(std::move(file)), chunkBytes_(std::max<std::size_t>(chunkBytes, 1)) {}

std::optional<Bzip2Marker> Bzip2BlockFinder::Next() {
  while (given_ == found_.size()) {
    found_.clear();
    given_ = 0;
    if (!ScanNextChunk()) return std::nullopt;
  }
  return found_[given_++];
}

// Reads the next chunk with the six bytes after it that a magic starting in
// its last byte reaches into, and scans the chunk's starts.
bool Bzip2BlockFinder::ScanNextChunk() {
  if (failed_ || nextByte_ >= file_->size()) return false;
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::int64_t>(chunkBytes_ + 6, file_->size() - nextByte_));
  buffer_.resize(wanted);
  std::size_t filled = 0;
  while (filled < wanted) {
    const std::int64_t count =
        file_->ReadAt(nextByte_ + static_cast<std::int64_t>(filled), buffer_.data() + filled, wanted - filled);
    if (count < 0) {
      failed_ = true;
      return false;
    }
    if (count == 0) break;  // the file got shorter: scan what is there
    filled += static_cast<std::size_t>(count);
  }
  buffer_.resize(filled);
  const std::size_t starts = std::min(chunkBytes_, filled);
  FindBzip2Markers(buffer_, starts, 8 * static_cast<std::uint64_t>(nextByte_), found_);
  nextByte_ += static_cast<std::int64_t>(starts);
  if (filled < wanted || starts == 0) nextByte_ = file_->size();
  return true;
}

}  // namespace dv
