#include "libraries/core/read/arj/ArjBitInput.h"

#include <algorithm>

namespace dv {
namespace {
constexpr std::size_t kBlockSize = 64 * 1024;
}  // namespace

ArjBitInput::ArjBitInput(const PositionalFile& file, std::int64_t offset, std::uint64_t size)
    : file_(file),
      next_(offset),
      left_(size),
      block_(static_cast<std::size_t>(std::min<std::uint64_t>(size, kBlockSize))) {}

void ArjBitInput::Refill() {
  while (available_ <= 56) {
    bits_ |= static_cast<std::uint64_t>(NextByte()) << (56 - available_);
    available_ += 8;
  }
}

unsigned char ArjBitInput::NextByte() {
  if (blockAt_ == blockEnd_) {
    blockAt_ = blockEnd_ = 0;
    if (left_ > 0 && !failed_) {
      const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left_, block_.size()));
      const std::int64_t count = file_.ReadAt(next_, block_.data(), wanted);
      if (count <= 0) {
        // The header promised more data than the file holds.
        failed_ = true;
      } else {
        blockEnd_ = static_cast<std::size_t>(count);
        next_ += count;
        left_ -= static_cast<std::uint64_t>(count);
      }
    }
    if (blockEnd_ == 0) {
      ++padding_;
      return 0;
    }
  }
  return block_[blockAt_++];
}

}  // namespace dv
