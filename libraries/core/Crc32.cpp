#include "libraries/core/Crc32.h"

#include <array>

namespace dv {
namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr auto kTable = MakeTable();

}  // namespace

void Crc32Accumulator::Add(const void* data, std::size_t length) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) state_ = kTable[(state_ ^ bytes[i]) & 0xFF] ^ (state_ >> 8);
}

std::uint32_t Crc32(const void* data, std::size_t length) {
  Crc32Accumulator crc;
  crc.Add(data, length);
  return crc.Value();
}

}  // namespace dv
