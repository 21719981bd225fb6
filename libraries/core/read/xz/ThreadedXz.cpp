#include "libraries/core/read/xz/ThreadedXz.h"

#include <algorithm>
#include <limits>

namespace dv {
namespace {

constexpr std::size_t kHeaderSize = LZMA_STREAM_HEADER_SIZE;
constexpr std::size_t kInputPiece = 1 << 20;
constexpr std::size_t kOutputPiece = 1 << 20;
// Past this, liblzma decodes the next blocks on one thread instead of
// holding more of them in memory at once.
constexpr std::uint64_t kThreadedMemory = 256ull << 20;

// An lzma_index, freed on every path.
struct IndexDeleter {
  void operator()(lzma_index* index) const { lzma_index_end(index, nullptr); }
};
using IndexHandle = std::unique_ptr<lzma_index, IndexDeleter>;

}  // namespace

std::unique_ptr<XzBlockStarts> ReadXzBlockStarts(const PositionalFile& file) {
  const std::int64_t size = file.size();
  if (size < static_cast<std::int64_t>(2 * kHeaderSize)) return nullptr;
  std::uint8_t header[kHeaderSize];
  std::uint8_t footer[kHeaderSize];
  if (!file.ReadExactly(0, header, kHeaderSize) || !file.ReadExactly(size - kHeaderSize, footer, kHeaderSize))
    return nullptr;
  lzma_stream_flags headerFlags{};
  lzma_stream_flags footerFlags{};
  if (lzma_stream_header_decode(&headerFlags, header) != LZMA_OK ||
      lzma_stream_footer_decode(&footerFlags, footer) != LZMA_OK ||
      lzma_stream_flags_compare(&headerFlags, &footerFlags) != LZMA_OK)
    return nullptr;
  // Exactly one stream: the index ends where the footer starts, and the
  // blocks it lists fill the file between the header and the index.
  const std::uint64_t indexSize = footerFlags.backward_size;
  if (indexSize > static_cast<std::uint64_t>(size) - 2 * kHeaderSize || indexSize > (64u << 20)) return nullptr;
  std::vector<std::uint8_t> indexBytes(static_cast<std::size_t>(indexSize));
  const std::int64_t indexAt = size - static_cast<std::int64_t>(kHeaderSize + indexSize);
  if (!file.ReadExactly(indexAt, indexBytes.data(), indexBytes.size())) return nullptr;
  lzma_index* decoded = nullptr;
  std::uint64_t memory = std::numeric_limits<std::uint64_t>::max();
  std::size_t position = 0;
  if (lzma_index_buffer_decode(&decoded, &memory, nullptr, indexBytes.data(), &position, indexBytes.size()) != LZMA_OK)
    return nullptr;
  const IndexHandle index(decoded);
  if (position != indexBytes.size() || lzma_index_stream_flags(index.get(), &footerFlags) != LZMA_OK ||
      lzma_index_file_size(index.get()) != static_cast<std::uint64_t>(size))
    return nullptr;
  auto starts = std::make_unique<XzBlockStarts>();
  lzma_index_iter iter;
  lzma_index_iter_init(&iter, index.get());
  while (!lzma_index_iter_next(&iter, LZMA_INDEX_ITER_BLOCK)) {
    starts->packed.push_back(iter.block.compressed_file_offset);
    starts->unpacked.push_back(iter.block.uncompressed_file_offset);
  }
  return starts;
}

ThreadedXz::ThreadedXz(std::shared_ptr<const PositionalFile> file, XzBlockStarts blocks, unsigned threads)
    : file_(std::move(file)), blocks_(std::move(blocks)) {
  lzma_mt options{};
  options.threads = std::max(threads, 1u);
  options.memlimit_threading = kThreadedMemory;
  // No stop: a file libarchive's filter reads must read here too.
  options.memlimit_stop = std::numeric_limits<std::uint64_t>::max();
  options.timeout = 0;
  started_ = lzma_stream_decoder_mt(&stream_, &options) == LZMA_OK;
  if (!started_) error_ = "cannot start the xz decoder";
}

ThreadedXz::~ThreadedXz() { lzma_end(&stream_); }

ThreadedUnpacking::Read ThreadedXz::Fail(const std::string& why) {
  error_ = why;
  ended_ = true;
  return Read::kBroken;
}

ThreadedUnpacking::Read ThreadedXz::Next(const char*& data, std::size_t& size) {
  if (!started_) return Read::kBroken;
  if (!error_.empty()) return Read::kBroken;
  if (ended_) return Read::kEnd;
  output_.resize(kOutputPiece);
  stream_.next_out = reinterpret_cast<std::uint8_t*>(output_.data());
  stream_.avail_out = output_.size();
  const std::uint64_t fileSize = static_cast<std::uint64_t>(file_->size());
  while (stream_.avail_out == output_.size()) {
    if (stream_.avail_in == 0 && fileOffset_ < fileSize) {
      input_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kInputPiece, fileSize - fileOffset_)));
      if (!file_->ReadExactly(static_cast<std::int64_t>(fileOffset_), input_.data(), input_.size()))
        return Fail("cannot read the file");
      fileOffset_ += input_.size();
      stream_.next_in = input_.data();
      stream_.avail_in = input_.size();
    }
    const lzma_ret result = lzma_code(&stream_, fileOffset_ < fileSize ? LZMA_RUN : LZMA_FINISH);
    if (result == LZMA_STREAM_END) {
      // The index said the stream fills the file: nothing may follow it.
      if (stream_.avail_in != 0 || fileOffset_ != fileSize) return Fail("data after the xz stream");
      ended_ = true;
      break;
    }
    if (result == LZMA_BUF_ERROR) return Fail("the xz data is cut short");
    if (result != LZMA_OK) return Fail("damaged xz data");
  }
  size = output_.size() - stream_.avail_out;
  delivered_ += size;
  data = output_.data();
  if (size == 0) return ended_ ? Read::kEnd : Fail("damaged xz data");
  return Read::kData;
}

std::uint64_t ThreadedXz::inputBytesUsed() const {
  if (blocks_.unpacked.empty() || delivered_ == 0) return kHeaderSize;
  // The block holding the last byte given: the last whose start lies before it.
  const auto after = std::upper_bound(blocks_.unpacked.begin(), blocks_.unpacked.end(), delivered_ - 1);
  const std::size_t block = static_cast<std::size_t>(after - blocks_.unpacked.begin()) - 1;
  return blocks_.packed[block] + 1;
}

}  // namespace dv
