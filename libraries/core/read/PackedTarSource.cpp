#include "libraries/core/read/PackedTarSource.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/ThreadedUnpacking.h"
#include "libraries/core/read/Utf8Locale.h"

namespace dv {
namespace {

constexpr std::size_t kTarBlock = 512;

class PackedTarSource final : public EntrySource {
 public:
  // `threads` (when given): unpacked on threads instead of by libarchive's
  // filter; the first Open takes it, a rewind opens a new one.
  PackedTarSource(std::shared_ptr<const PositionalFile> file, LibArchiveReader::Setup unpack,
                  std::unique_ptr<ThreadedUnpacking> threads)
      : file_(std::move(file)), unpack_(unpack), threaded_(threads != nullptr), firstThreads_(std::move(threads)) {}
  ~PackedTarSource() override { CloseTar(); }
  PackedTarSource(const PackedTarSource&) = delete;
  PackedTarSource& operator=(const PackedTarSource&) = delete;

  // False when what the probe would read says no tar, or says it only past
  // the probe's input limit.
  bool Open() {
    ScopedUtf8Locale utf8;
    CloseTar();
    head_.clear();
    served_ = 0;
    state_ = ReadResult::kEntry;
    if (threaded_) {
      threads_ = firstThreads_ ? std::move(firstThreads_) : OpenThreadedUnpacking(file_);
      if (!threads_) return false;
    } else {
      if (!unpacked_.Open(file_, 0, LibArchiveReader::kNoLimit, unpack_)) return false;
      struct archive* raw = unpacked_.get();
      // Two filters: one unpacking layer over the file itself.
      struct archive_entry* header = nullptr;
      if (archive_filter_count(raw) != 2 || archive_read_next_header(raw, &header) != ARCHIVE_OK) return false;
    }
    while (head_.size() < kTarBlock) {
      const void* block = nullptr;
      std::size_t size = 0;
      if (NextUnpacked(block, size) != ARCHIVE_OK) return false;
      head_.append(static_cast<const char*>(block), size);
    }
    const std::int64_t used =
        threads_ ? static_cast<std::int64_t>(threads_->inputBytesUsed()) : archive_filter_bytes(unpacked_.get(), -1);
    if (used > kTarProbeInputLimit) return false;
    unsigned char first[kTarBlock];
    std::memcpy(first, head_.data(), kTarBlock);
    if (!IsTarHeader(first)) return false;
    tar_ = archive_read_new();
    if (tar_ == nullptr) return false;
    archive_read_support_format_tar(tar_);
    archive_read_set_callback_data(tar_, this);
    archive_read_set_read_callback(tar_, &PackedTarSource::Read);
    return archive_read_open1(tar_) == ARCHIVE_OK;
  }

  bool Rewind() override { return Open(); }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    if (tar_ == nullptr) return state_ = ReadResult::kBroken;
    ScopedUtf8Locale utf8;
    struct archive_entry* header = nullptr;
    if (const ReadResult result = NextArchiveHeader(tar_, header); result != ReadResult::kEntry) return state_ = result;
    FillEntryFromHeader(tar_, header, entry);
    return ReadResult::kEntry;
  }

  DataResult ReadData(const DataSink& sink) override {
    if (state_ != ReadResult::kEntry || tar_ == nullptr) return DataResult::kBroken;
    ScopedUtf8Locale utf8;
    bool fatal = false;
    const DataResult result = CopyArchiveData(tar_, sink, fatal);
    if (fatal) state_ = ReadResult::kBroken;
    return result;
  }

 private:
  // The tar reader's input: the bytes the check read, then the unpacking's
  // blocks as they come.
  static la_ssize_t Read(struct archive* tar, void* self, const void** block) {
    auto& source = *static_cast<PackedTarSource*>(self);
    if (source.served_ < source.head_.size()) {
      *block = source.head_.data() + source.served_;
      const std::size_t size = source.head_.size() - source.served_;
      source.served_ = source.head_.size();
      return static_cast<la_ssize_t>(size);
    }
    std::size_t size = 0;
    switch (source.NextUnpacked(*block, size)) {
      case ARCHIVE_OK: return static_cast<la_ssize_t>(size);
      case ARCHIVE_EOF: return 0;
      default: archive_set_error(tar, EIO, "%s", source.UnpackError()); return ARCHIVE_FATAL;
    }
  }

  // The next unpacked bytes: ARCHIVE_OK, ARCHIVE_EOF or ARCHIVE_FATAL.
  int NextUnpacked(const void*& block, std::size_t& size) {
    if (threads_) {
      const char* data = nullptr;
      const ThreadedUnpacking::Read read = threads_->Next(data, size);
      block = data;
      return read == ThreadedUnpacking::Read::kData  ? ARCHIVE_OK
             : read == ThreadedUnpacking::Read::kEnd ? ARCHIVE_EOF
                                                     : ARCHIVE_FATAL;
    }
    la_int64_t offset = 0;
    const int status = archive_read_data_block(unpacked_.get(), &block, &size, &offset);
    return status == ARCHIVE_OK || status == ARCHIVE_EOF ? status : ARCHIVE_FATAL;
  }

  const char* UnpackError() const {
    const char* text = threads_ ? threads_->error().c_str() : archive_error_string(unpacked_.get());
    return text != nullptr && *text != '\0' ? text : "unpacking failed";
  }

  void CloseTar() {
    if (tar_ != nullptr) archive_read_free(tar_);
    tar_ = nullptr;
    threads_.reset();
  }

  std::shared_ptr<const PositionalFile> file_;
  LibArchiveReader::Setup unpack_;
  bool threaded_;
  LibArchiveReader unpacked_;
  std::unique_ptr<ThreadedUnpacking> firstThreads_;
  std::unique_ptr<ThreadedUnpacking> threads_;
  struct archive* tar_ = nullptr;
  std::string head_;        // what the check read
  std::size_t served_ = 0;  // of head_, given to the tar reader
  ReadResult state_ = ReadResult::kEntry;
};

}  // namespace

std::unique_ptr<EntrySource> OpenPackedTarSource(std::shared_ptr<const PositionalFile> file,
                                                 std::unique_ptr<ThreadedUnpacking> threads) {
  if (!file) return nullptr;
  const Compression* compression = CompressionAt(*file, 0);
  if (compression == nullptr) return nullptr;
  const LibArchiveReader::Setup unpack = RawUnpackSetup(compression->plainType);
  auto source = std::make_unique<PackedTarSource>(std::move(file), unpack, std::move(threads));
  if (!source->Open()) return nullptr;
  return source;
}

std::unique_ptr<EntrySource> OpenPackedTarSource(std::shared_ptr<const PositionalFile> file) {
  auto threads = OpenThreadedUnpacking(file);
  return OpenPackedTarSource(std::move(file), std::move(threads));
}

}  // namespace dv
