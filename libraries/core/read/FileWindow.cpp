#include "libraries/core/read/FileWindow.h"

#include <algorithm>

namespace dv {

const unsigned char* FileWindow::At(std::int64_t offset, std::size_t length) {
  if (offset < 0 || offset > end_ || static_cast<std::int64_t>(length) > end_ - offset) return nullptr;
  if (offset >= at_ && offset + static_cast<std::int64_t>(length) <= at_ + static_cast<std::int64_t>(filled_))
    return bytes_.data() + (offset - at_);
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(std::max(length, block_), end_ - offset));
  if (bytes_.size() < wanted) bytes_.resize(wanted);
  filled_ = 0;
  if (!file_.ReadExactly(offset, bytes_.data(), wanted)) return nullptr;
  at_ = offset;
  filled_ = wanted;
  return bytes_.data();
}

}  // namespace dv
