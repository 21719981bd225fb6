#include "libraries/core/read/UnpackedSize.h"

#include <lzma.h>

#include <vector>

#include "libraries/core/util/LittleEndian.h"

namespace dv {

std::optional<std::uint64_t> XzUnpackedSize(const PositionalFile& file) {
  // liblzma's file-info decoder reads the footers and indexes from the end,
  // asking for the places it needs.
  lzma_stream stream = LZMA_STREAM_INIT;
  lzma_index* index = nullptr;
  constexpr std::uint64_t kMemoryLimit = 64u << 20;
  if (lzma_file_info_decoder(&stream, &index, kMemoryLimit, static_cast<std::uint64_t>(file.size())) != LZMA_OK)
    return std::nullopt;
  std::vector<unsigned char> buffer(64 * 1024);
  std::int64_t position = 0;
  lzma_ret status = LZMA_OK;
  // Each round reads at most a buffer; an index takes a few rounds.
  for (int rounds = 0; rounds < 4096 && status == LZMA_OK; ++rounds) {
    if (stream.avail_in == 0) {
      const std::int64_t got = file.ReadAt(position, buffer.data(), buffer.size());
      if (got < 0) break;
      stream.next_in = buffer.data();
      stream.avail_in = static_cast<std::size_t>(got);
      position += got;
    }
    status = lzma_code(&stream, stream.avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
    if (status == LZMA_SEEK_NEEDED) {
      position = static_cast<std::int64_t>(stream.seek_pos);
      stream.avail_in = 0;
      status = LZMA_OK;
    }
  }
  std::optional<std::uint64_t> size;
  if (status == LZMA_STREAM_END && index != nullptr) size = lzma_index_uncompressed_size(index);
  lzma_end(&stream);
  if (index != nullptr) lzma_index_end(index, nullptr);
  return size;
}

// A zstd frame: magic (4), frame header descriptor (1), window descriptor
// (1, unless single segment), dictionary id (0/1/2/4), content size
// (0/1/2/4/8; 2 bytes hold it less 256), then blocks of a 3-byte header
// (last-block bit, type, size; an RLE block holds one byte), then a 4-byte
// checksum when the descriptor says so. A skippable frame: magic
// 0x184D2A5?, size (4), that many bytes.
std::optional<std::uint64_t> ZstdUnpackedSize(const PositionalFile& file) {
  constexpr std::uint32_t kMagic = 0xFD2FB528, kSkippable = 0x184D2A50;
  constexpr int kMaxBlocks = 1 << 20;
  std::uint64_t total = 0;
  std::int64_t at = 0;
  int blocks = 0;
  while (at < file.size()) {
    unsigned char head[18];
    const std::int64_t got = file.ReadAt(at, head, sizeof head);
    if (got < 8) return std::nullopt;
    const std::uint32_t magic = Le32(head);
    if ((magic & 0xFFFFFFF0u) == kSkippable) {
      at += 8 + static_cast<std::int64_t>(Le32(head + 4));
      continue;
    }
    if (magic != kMagic) return std::nullopt;
    const unsigned descriptor = head[4];
    const bool single = (descriptor & 0x20) != 0, checksum = (descriptor & 0x04) != 0;
    const unsigned sizeField = descriptor >> 6;
    const int dictionaryBytes[] = {0, 1, 2, 4};
    const int sizeBytes = sizeField == 0 ? (single ? 1 : 0) : 1 << sizeField;
    if (sizeBytes == 0) return std::nullopt;  // the compressor did not know the size
    std::size_t field = 5 + (single ? 0 : 1) + static_cast<std::size_t>(dictionaryBytes[descriptor & 3]);
    if (static_cast<std::int64_t>(field) + sizeBytes > got) return std::nullopt;
    std::uint64_t content = 0;
    for (int i = sizeBytes - 1; i >= 0; --i) content = content << 8 | head[field + static_cast<std::size_t>(i)];
    if (sizeBytes == 2) content += 256;
    total += content;
    at += static_cast<std::int64_t>(field) + sizeBytes;
    for (bool last = false; !last;) {
      unsigned char block[3];
      if (++blocks > kMaxBlocks || !file.ReadExactly(at, block, sizeof block)) return std::nullopt;
      const std::uint32_t header = block[0] | block[1] << 8 | static_cast<std::uint32_t>(block[2]) << 16;
      last = (header & 1) != 0;
      const unsigned type = header >> 1 & 3;
      if (type == 3) return std::nullopt;  // reserved
      at += 3 + (type == 1 ? 1 : static_cast<std::int64_t>(header >> 3));
    }
    if (checksum) at += 4;
  }
  if (at != file.size()) return std::nullopt;
  return total;
}

}  // namespace dv
