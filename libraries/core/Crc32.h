// CRC-32 (the IEEE polynomial used by ZIP, gzip and ARJ).
#pragma once

#include <cstddef>
#include <cstdint>

namespace dv {

std::uint32_t Crc32(const void* data, std::size_t length);

}  // namespace dv
