// Where the ARJ decoders put what they unpack: a window of the bytes made
// last, which matches copy from, handed to the sink a block at a time.
// It makes exactly the entry's original size: a literal or match past it,
// or a match reaching before the first byte or farther back than the
// window, is damaged data.
#pragma once

#include <cstdint>
#include <vector>

#include "libraries/core/read/Entry.h"

namespace dv {

class ArjOutput {
 public:
  // The farthest back a match may reach.
  static constexpr unsigned kWindowSize = 26624;

  ArjOutput(std::uint64_t size, const DataSink& sink);

  bool Done() const { return made_ == size_; }

  // False when the size is already reached or the sink refused a block.
  bool Literal(unsigned char byte) {
    if (made_ == size_) return Fail(DataResult::kBroken);
    buffer_[at_++] = byte;
    ++made_;
    return at_ != buffer_.size() || Flush();
  }
  // Repeats `length` bytes from `distance` + 1 bytes back. False when the
  // match is not possible (see above) or the sink refused a block.
  bool Match(unsigned distance, unsigned length);

  // Hands the rest to the sink. False when the sink refused it.
  bool Finish() { return Flush(); }

  // Why the last call returned false.
  DataResult failure() const { return failure_; }

 private:
  bool Flush();
  bool Fail(DataResult why) {
    failure_ = why;
    return false;
  }

  const DataSink& sink_;
  std::uint64_t size_;
  std::uint64_t made_ = 0;
  std::vector<unsigned char> buffer_;  // a power of two, above the window size
  std::size_t at_ = 0;                 // next byte of buffer_ to write
  std::size_t flushedTo_ = 0;          // buffer_ before this went to the sink
  DataResult failure_ = DataResult::kBroken;
};

}  // namespace dv
