// Reading and writing the little-endian fields of archive headers.
#pragma once

#include <cstdint>

namespace dv {

inline std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

inline std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

inline void StoreLe32(unsigned char* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline void StoreLe64(unsigned char* p, std::uint64_t value) {
  StoreLe32(p, static_cast<std::uint32_t>(value));
  StoreLe32(p + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace dv
