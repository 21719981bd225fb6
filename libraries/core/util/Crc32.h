// CRC-32 (the IEEE polynomial used by ZIP, gzip and ARJ), computed by zlib.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dv {

std::uint32_t Crc32(const void* data, std::size_t length);

// The same CRC over data that comes in pieces.
class Crc32Accumulator {
 public:
  void Add(const void* data, std::size_t length);
  std::uint32_t Value() const { return value_; }

 private:
  std::uint32_t value_ = 0;
};

}  // namespace dv
