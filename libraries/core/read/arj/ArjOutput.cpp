#include "libraries/core/read/arj/ArjOutput.h"

#include <cstring>

namespace dv {
namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
static_assert((kBufferSize & (kBufferSize - 1)) == 0 && kBufferSize > ArjOutput::kWindowSize);
}  // namespace

ArjOutput::ArjOutput(std::uint64_t size, const DataSink& sink) : sink_(sink), size_(size), buffer_(kBufferSize) {}

bool ArjOutput::Match(unsigned distance, unsigned length) {
  if (distance >= kWindowSize || distance >= made_ || length > size_ - made_) return Fail(DataResult::kBroken);
  made_ += length;
  constexpr std::size_t kMask = kBufferSize - 1;
  std::size_t from = (at_ - distance - 1) & kMask;
  // Apart and not wrapping: one copy. Otherwise byte by byte, as a match
  // may repeat the bytes it is making.
  if (distance + 1 >= length && from + length <= kBufferSize && at_ + length < kBufferSize) {
    std::memcpy(&buffer_[at_], &buffer_[from], length);
    at_ += length;
    return true;
  }
  for (unsigned i = 0; i < length; ++i) {
    buffer_[at_++] = buffer_[from];
    from = (from + 1) & kMask;
    if (at_ == kBufferSize && !Flush()) return false;
  }
  return true;
}

bool ArjOutput::Flush() {
  if (at_ > flushedTo_ && !sink_(&buffer_[flushedTo_], at_ - flushedTo_)) return Fail(DataResult::kSinkFailed);
  if (at_ == kBufferSize) at_ = 0;
  flushedTo_ = at_;
  return true;
}

}  // namespace dv
