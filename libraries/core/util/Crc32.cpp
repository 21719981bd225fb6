#include "libraries/core/util/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace dv {

void Crc32Accumulator::Add(const void* data, std::size_t length) {
  const auto* bytes = static_cast<const Bytef*>(data);
  // zlib counts in uInt; a longer piece goes in several calls.
  while (length > 0) {
    const std::size_t piece = std::min<std::size_t>(length, std::numeric_limits<uInt>::max());
    value_ = static_cast<std::uint32_t>(::crc32(value_, bytes, static_cast<uInt>(piece)));
    bytes += piece;
    length -= piece;
  }
}

std::uint32_t Crc32(const void* data, std::size_t length) {
  Crc32Accumulator crc;
  crc.Add(data, length);
  return crc.Value();
}

}  // namespace dv
