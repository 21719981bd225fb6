#include "libraries/core/read/bzip2/Bzip2BlockDecoder.h"

#include <algorithm>

#include "libraries/core/read/bzip2/Bzip2BlockFinder.h"

namespace dv {
namespace {

constexpr std::uint64_t kHeaderBits = 32;   // "BZh" and the level digit
constexpr std::uint64_t kTrailerBits = 80;  // end-of-stream magic and combined CRC
constexpr std::uint64_t kCrcOffset = 48;    // a block's CRC follows its magic
constexpr std::size_t kInputPiece = 256 * 1024;

std::uint64_t TotalIn(const bz_stream& stream) {
  return static_cast<std::uint64_t>(stream.total_in_hi32) << 32 | stream.total_in_lo32;
}

}  // namespace

// The synthetic stream, made a piece at a time: header, the file's bits
// [start, end) shifted to a byte boundary, trailer, zero bits to the byte.
class Bzip2BlockDecoder::Input {
 public:
  Input(const PositionalFile& file, const Bzip2BlockRange& range, std::uint32_t crc)
      : file_(file),
        start_(range.start),
        length_(range.end - range.start),
        header_(std::uint32_t{'B'} << 24 | std::uint32_t{'Z'} << 16 | std::uint32_t{'h'} << 8 |
                static_cast<std::uint32_t>('0' + range.level)),
        trailer_{kBzip2EndMagic, crc},
        total_((kHeaderBits + length_ + kTrailerBits + 7) / 8) {}

  // The next piece, empty when everything was given; false on a read error.
  bool Fill(std::vector<std::uint8_t>& piece) {
    const std::uint64_t first = next_;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kInputPiece, total_ - first));
    piece.resize(count);
    if (count == 0) return true;
    // The file bytes holding the block bits this piece takes.
    const std::uint64_t fromBit = std::clamp<std::uint64_t>(8 * first, kHeaderBits, kHeaderBits + length_);
    const std::uint64_t toBit = std::clamp<std::uint64_t>(8 * (first + count), kHeaderBits, kHeaderBits + length_);
    sourceByte_ = (start_ + fromBit - kHeaderBits) / 8;
    const std::uint64_t sourceEnd = (start_ + toBit - kHeaderBits + 7) / 8;
    source_.resize(static_cast<std::size_t>(sourceEnd - sourceByte_));
    if (!source_.empty() && !file_.ReadExactly(static_cast<std::int64_t>(sourceByte_), source_.data(), source_.size()))
      return false;
    for (std::size_t i = 0; i < count; ++i) piece[i] = ByteAt(first + i);
    next_ += count;
    return true;
  }

 private:
  std::uint8_t ByteAt(std::uint64_t index) const {
    const std::uint64_t bit = 8 * index;
    if (bit >= kHeaderBits && bit + 8 <= kHeaderBits + length_) {
      const std::uint64_t at = start_ + bit - kHeaderBits;
      const std::size_t k = static_cast<std::size_t>(at / 8 - sourceByte_);
      const unsigned shift = at % 8;
      if (shift == 0) return source_[k];
      return static_cast<std::uint8_t>(source_[k] << shift | source_[k + 1] >> (8 - shift));
    }
    std::uint8_t byte = 0;
    for (unsigned i = 0; i < 8; ++i) byte = static_cast<std::uint8_t>(byte << 1 | BitAt(bit + i));
    return byte;
  }

  unsigned BitAt(std::uint64_t bit) const {
    if (bit < kHeaderBits) return header_ >> (kHeaderBits - 1 - bit) & 1;
    bit -= kHeaderBits;
    if (bit < length_) {
      const std::uint64_t at = start_ + bit;
      return source_[static_cast<std::size_t>(at / 8 - sourceByte_)] >> (7 - at % 8) & 1;
    }
    bit -= length_;
    if (bit < kBzip2MagicBits) return trailer_[0] >> (kBzip2MagicBits - 1 - bit) & 1;
    bit -= kBzip2MagicBits;
    if (bit < 32) return static_cast<unsigned>(trailer_[1] >> (31 - bit) & 1);
    return 0;
  }

  const PositionalFile& file_;
  std::uint64_t start_, length_;
  std::uint32_t header_;
  std::uint64_t trailer_[2];
  std::uint64_t total_;
  std::uint64_t next_ = 0;  // the next byte of the synthetic stream to give
  std::vector<std::uint8_t> source_;
  std::uint64_t sourceByte_ = 0;  // file offset of source_[0]
};

Bzip2BlockDecoder::Bzip2BlockDecoder(std::shared_ptr<const PositionalFile> file, std::function<bool()> stopped)
    : file_(std::move(file)), stopped_(std::move(stopped)) {}

Bzip2BlockDecoder::~Bzip2BlockDecoder() { End(); }

void Bzip2BlockDecoder::End() {
  if (open_) BZ2_bzDecompressEnd(&stream_);
  open_ = false;
  stream_ = bz_stream{};
  input_.reset();
}

bool Bzip2BlockDecoder::Feed() {
  if ((stopped_ && stopped_()) || !input_->Fill(piece_)) {
    readFailed_ = true;
    return false;
  }
  stream_.next_in = reinterpret_cast<char*>(piece_.data());
  stream_.avail_in = static_cast<unsigned>(piece_.size());
  return !piece_.empty();
}

Bzip2BlockDecoder::Start Bzip2BlockDecoder::DecodeSymbols(const Bzip2BlockRange& range) {
  End();
  readFailed_ = false;
  done_ = false;
  if (range.level < 1 || range.level > 9 || range.end < range.start + kCrcOffset + 32) return Start::kShort;
  const auto crc = ReadBitsAt(*file_, range.start + kCrcOffset, 32);
  if (!crc) return Start::kShort;
  crc_ = static_cast<std::uint32_t>(*crc);
  input_ = std::make_unique<Input>(*file_, range, crc_);
  if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) return Start::kFailed;
  open_ = true;
  char unused = 0;
  for (;;) {
    if (stream_.avail_in == 0 && !Feed()) return readFailed_ ? Start::kFailed : Start::kShort;
    // No room for output: libbz2 stops as soon as the symbols are decoded.
    stream_.next_out = &unused;
    stream_.avail_out = 0;
    if (BZ2_bzDecompress(&stream_) != BZ_OK) return Start::kShort;
    // It leaves input unread only once it waits for room to write.
    if (stream_.avail_in > 0) {
      consumedAtOutput_ = TotalIn(stream_);
      return Start::kReady;
    }
  }
}

Bzip2BlockDecoder::Start Bzip2BlockDecoder::Begin(const Bzip2BlockRange& range) {
  const Start start = DecodeSymbols(range);
  if (start != Start::kReady) return start;
  // Symbols that took bytes past the range's last one ran into the trailer.
  const std::uint64_t rangeBytes = (kHeaderBits + range.end - range.start + 7) / 8;
  return consumedAtOutput_ <= rangeBytes ? Start::kReady : Start::kShort;
}

Bzip2BlockDecoder::Pull Bzip2BlockDecoder::Next(std::vector<char>& out, std::size_t limit) {
  out.resize(limit);
  if (done_ || !open_ || limit == 0) {
    out.clear();
    return done_ ? Pull::kDone : Pull::kBroken;
  }
  stream_.next_out = out.data();
  stream_.avail_out = static_cast<unsigned>(limit);
  for (;;) {
    if (stream_.avail_in == 0 && !Feed()) {
      out.clear();
      return Pull::kBroken;
    }
    const int status = BZ2_bzDecompress(&stream_);
    const std::size_t produced = limit - stream_.avail_out;
    if (status == BZ_STREAM_END) {
      done_ = true;
      out.resize(produced);
      return produced > 0 ? Pull::kData : Pull::kDone;
    }
    if (status != BZ_OK) {
      out.clear();
      return Pull::kBroken;
    }
    if (stream_.avail_out == 0) return Pull::kData;
  }
}

std::optional<Bzip2BlockEnd> Bzip2BlockDecoder::FindEnd(std::shared_ptr<const PositionalFile> file, std::uint64_t start,
                                                        int level) {
  const std::uint64_t fileBits = 8 * static_cast<std::uint64_t>(file->size());
  if (start >= fileBits) return std::nullopt;
  Bzip2BlockDecoder decoder(std::move(file));
  if (decoder.DecodeSymbols({start, fileBits, level}) != Start::kReady) return std::nullopt;
  // The last byte taken holds the symbols' last bit.
  const std::uint64_t endBit = start + 8 * decoder.consumedAtOutput_ - kHeaderBits;
  return Bzip2BlockEnd{endBit - 8, endBit};
}

}  // namespace dv
