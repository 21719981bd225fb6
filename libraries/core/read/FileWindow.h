// A view of the start of a file up to `end` that reads one block at a time
// and reads again only when a record runs past what it holds, for readers
// that walk many small records: its memory is one block, or one record when
// a record is larger.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

class FileWindow {
 public:
  static constexpr std::size_t kDefaultBlock = 64 * 1024;

  FileWindow(const PositionalFile& file, std::int64_t end, std::size_t block = kDefaultBlock)
      : file_(file), end_(end), block_(block) {}

  // `length` bytes at `offset`, valid until the next call; nullptr past the
  // end or on a read error.
  const unsigned char* At(std::int64_t offset, std::size_t length);

 private:
  const PositionalFile& file_;
  std::int64_t end_;
  std::size_t block_;
  std::int64_t at_ = 0;
  std::size_t filled_ = 0;
  std::vector<unsigned char> bytes_;
};

}  // namespace dv
