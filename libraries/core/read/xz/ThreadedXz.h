// xz of several blocks unpacked on several threads by liblzma's threaded
// decoder. `xz -T` writes such files (each block's sizes in its header);
// a file of one block, or blocks without their sizes, gains nothing and
// stays with libarchive's filter.
#pragma once

#include <lzma.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/ThreadedUnpacking.h"

namespace dv {

// Where each block of a one-stream xz file starts, in the file and in the
// unpacked bytes, from the stream's index; nothing for a file that is not
// exactly one xz stream with an index that reads.
struct XzBlockStarts {
  std::vector<std::uint64_t> packed;    // the offset of each block's header
  std::vector<std::uint64_t> unpacked;  // the unpacked bytes before each block
};
std::unique_ptr<XzBlockStarts> ReadXzBlockStarts(const PositionalFile& file);

class ThreadedXz final : public ThreadedUnpacking {
 public:
  ThreadedXz(std::shared_ptr<const PositionalFile> file, XzBlockStarts blocks, unsigned threads);
  ~ThreadedXz() override;
  ThreadedXz(const ThreadedXz&) = delete;
  ThreadedXz& operator=(const ThreadedXz&) = delete;

  Read Next(const char*& data, std::size_t& size) override;
  const std::string& error() const override { return error_; }
  // The file's bytes up to the header of the block the last bytes came
  // from: what a reader of the stream in order has read at least.
  std::uint64_t inputBytesUsed() const override;

 private:
  Read Fail(const std::string& why);

  std::shared_ptr<const PositionalFile> file_;
  XzBlockStarts blocks_;
  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool started_ = false;
  bool ended_ = false;
  std::vector<std::uint8_t> input_;
  std::vector<char> output_;
  std::uint64_t fileOffset_ = 0;  // the next file byte to feed
  std::uint64_t delivered_ = 0;   // unpacked bytes given out
  std::string error_;
};

}  // namespace dv
