// One bzip2 block decoded on its own with libbz2. The block's bits are
// shifted to a byte boundary and wrapped in a small stream of their own: a
// stream header of the block's level, the block, and an end-of-stream magic
// whose combined CRC is the block's CRC. libbz2 then checks the block's CRC
// as usual, and the stream around it costs nothing to check.
#pragma once

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

// A candidate block: the bits [start, end) of the file, from its magic up to
// the next marker, in a stream of `level` (1-9).
struct Bzip2BlockRange {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  int level = 9;
};

// Where the end of a block lies: its last bit ends after bit `after` and at
// or before bit `atMost` (a byte's worth of bits, as libbz2 reads bytes).
struct Bzip2BlockEnd {
  std::uint64_t after = 0;
  std::uint64_t atMost = 0;
};

class Bzip2BlockDecoder {
 public:
  enum class Start {
    kReady,   // the block's symbols all decode within the range: output follows
    kShort,   // they do not: the range ends inside the block (or the block is damaged)
    kFailed,  // no memory or a read error
  };
  enum class Pull { kData, kDone, kBroken };

  // `stopped`, when given, is asked between pieces of input; once it says
  // yes the block fails, so that a long decode ends soon when its work is
  // no longer wanted.
  explicit Bzip2BlockDecoder(std::shared_ptr<const PositionalFile> file, std::function<bool()> stopped = {});
  ~Bzip2BlockDecoder();
  Bzip2BlockDecoder(const Bzip2BlockDecoder&) = delete;
  Bzip2BlockDecoder& operator=(const Bzip2BlockDecoder&) = delete;

  // Decodes the block's symbols, before any output. libbz2 produces no
  // output before the end of a block's symbols, and it reads its input a
  // byte at a time as it needs it, so the input it took by then shows
  // whether the symbols ended within the range or ran on into the trailer.
  Start Begin(const Bzip2BlockRange& range);
  // The next piece of the block's output, up to `limit` bytes, into `out`
  // (replaced); kDone once the block ended with its CRC right.
  Pull Next(std::vector<char>& out, std::size_t limit);
  // The block's CRC as stored after its magic (known after Begin).
  std::uint32_t crc() const { return crc_; }

  // Where the block that starts at `start` ends, found by decoding its
  // symbols with the rest of the file behind them; nothing when they do not
  // decode to an end.
  static std::optional<Bzip2BlockEnd> FindEnd(std::shared_ptr<const PositionalFile> file, std::uint64_t start,
                                              int level);

 private:
  class Input;
  Start DecodeSymbols(const Bzip2BlockRange& range);
  bool Feed();
  void End();

  std::shared_ptr<const PositionalFile> file_;
  std::function<bool()> stopped_;
  std::unique_ptr<Input> input_;
  std::vector<std::uint8_t> piece_;  // the input libbz2 reads from
  bz_stream stream_{};
  bool open_ = false;
  bool readFailed_ = false;
  bool done_ = false;
  std::uint32_t crc_ = 0;
  std::uint64_t consumedAtOutput_ = 0;  // input bytes taken when output began
};

}  // namespace dv
