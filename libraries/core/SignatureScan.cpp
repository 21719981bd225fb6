#include "libraries/core/SignatureScan.h"

#include <algorithm>
#include <vector>

namespace dv {

std::optional<std::int64_t> FindSignature(const ArchiveFile& file, std::int64_t from, std::int64_t limit,
                                          std::string_view signature) {
  constexpr std::size_t kChunk = 64 * 1024;
  if (signature.empty() || from < 0) return std::nullopt;
  limit = std::min(limit, file.size());
  std::vector<char> buffer(kChunk + signature.size());
  for (std::int64_t start = from; start < limit; start += kChunk) {
    const std::int64_t count = file.ReadAt(start, buffer.data(), buffer.size());
    if (count <= 0) return std::nullopt;
    const std::string_view chunk(buffer.data(), static_cast<std::size_t>(count));
    const std::size_t hit = chunk.find(signature);
    // Chunks overlap by the signature's length so one across a boundary is
    // seen; a hit starting past kChunk is the next chunk's to report.
    if (hit != std::string_view::npos && hit < kChunk) {
      const std::int64_t offset = start + static_cast<std::int64_t>(hit);
      return offset < limit ? std::optional<std::int64_t>(offset) : std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace dv
