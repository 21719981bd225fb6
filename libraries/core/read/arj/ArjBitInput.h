// The packed data of one ARJ entry as a stream of bits, most significant
// bit of each byte first. Past the end of the data it reads zeros, and says
// so once any of them were taken: a damaged stream ends there instead of
// running on.
#pragma once

#include <cstdint>
#include <vector>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

class ArjBitInput {
 public:
  // The `size` bytes at `offset` of `file`.
  ArjBitInput(const PositionalFile& file, std::int64_t offset, std::uint64_t size);

  // The next `count` bits (1 to 16) without taking them.
  unsigned Peek(unsigned count) {
    if (available_ < count) Refill();
    return static_cast<unsigned>(bits_ >> (64 - count));
  }
  // Takes `count` bits (up to 16) already looked at with Peek.
  void Skip(unsigned count) {
    bits_ <<= count;
    available_ -= count;
  }
  // Takes the next `count` bits (0 to 16).
  unsigned Take(unsigned count) {
    if (count == 0) return 0;
    const unsigned value = Peek(count);
    Skip(count);
    return value;
  }

  // True once bits past the end of the data were taken, or the file could
  // not be read.
  bool Overrun() const { return failed_ || padding_ * 8 > available_; }

 private:
  void Refill();
  unsigned char NextByte();

  const PositionalFile& file_;
  std::int64_t next_;   // file offset of the next block to read
  std::uint64_t left_;  // packed bytes not read from the file yet
  std::vector<unsigned char> block_;
  std::size_t blockAt_ = 0, blockEnd_ = 0;
  std::uint64_t bits_ = 0;     // the next bits, left-aligned
  unsigned available_ = 0;     // how many bits_ holds
  std::uint64_t padding_ = 0;  // zero bytes fed in past the end
  bool failed_ = false;
};

}  // namespace dv
