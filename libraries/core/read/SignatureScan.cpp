#include "libraries/core/read/SignatureScan.h"

#include <algorithm>

namespace dv {
namespace {
constexpr std::size_t kChunk = 64 * 1024;
}

SignatureScan::SignatureScan(const PositionalFile& file, std::int64_t from, std::int64_t limit,
                             std::string_view signature)
    : file_(file), limit_(std::min(limit, file.size())), signature_(signature), bufferAt_(from) {
  done_ = signature_.empty() || from < 0;
  if (!done_) buffer_.resize(kChunk + signature_.size() - 1);
}

std::optional<std::int64_t> SignatureScan::Next() {
  while (!done_) {
    const std::string_view view(buffer_.data(), filled_);
    const std::size_t hit = view.find(signature_, searchFrom_);
    if (hit != std::string_view::npos) {
      const std::int64_t offset = bufferAt_ + static_cast<std::int64_t>(hit);
      if (offset >= limit_) break;
      searchFrom_ = hit + 1;
      return offset;
    }
    if (lastRead_) break;
    // Read on from where a signature cut by the buffer's end would start;
    // consecutive reads overlap by less than the signature's length.
    const std::size_t keep = signature_.size() - 1;
    bufferAt_ += static_cast<std::int64_t>(std::max(searchFrom_, filled_ > keep ? filled_ - keep : 0));
    if (bufferAt_ >= limit_) break;
    const std::int64_t count = file_.ReadAt(bufferAt_, buffer_.data(), buffer_.size());
    if (count <= 0) break;
    filled_ = static_cast<std::size_t>(count);
    searchFrom_ = 0;
    lastRead_ = filled_ < buffer_.size();
  }
  done_ = true;
  return std::nullopt;
}

std::optional<std::int64_t> FindSignature(const PositionalFile& file, std::int64_t from, std::int64_t limit,
                                          std::string_view signature) {
  return SignatureScan(file, from, limit, signature).Next();
}

}  // namespace dv
