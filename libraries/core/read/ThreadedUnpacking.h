// Unpacking on several threads, for compressed files whose layout allows it:
// bzip2 of several blocks (bzip2/ParallelBzip2.h) and xz of several blocks
// (xz/ThreadedXz.h). The tar readers and the plain compressed file take the
// bytes through this interface whatever the compression. A file that gains
// nothing from threads (one bzip2 or xz block, gzip) gets no threaded
// unpacking and stays with libarchive's own filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

class ThreadedUnpacking {
 public:
  enum class Read { kData, kEnd, kBroken };
  virtual ~ThreadedUnpacking() = default;
  // The next bytes in order, valid until the next call; kEnd after the last,
  // kBroken (with error()) when the data is damaged or cut short.
  virtual Read Next(const char*& data, std::size_t& size) = 0;
  virtual const std::string& error() const = 0;
  // Bytes of the file the bytes given so far were unpacked from.
  virtual std::uint64_t inputBytesUsed() const = 0;
};

// The most threads one unpacking starts.
inline constexpr unsigned kMostThreads = 64;
// How many threads unpack: DOVANEL_THREADS when it holds 1-64, else one a core.
unsigned UnpackingThreads();

// The threaded unpacking of `file`; nothing when it gains nothing from
// threads. The one place that decides: callers keep what it gives.
std::unique_ptr<ThreadedUnpacking> OpenThreadedUnpacking(const std::shared_ptr<const PositionalFile>& file);

// All the bytes of `unpacking` into `sink`.
DataResult CopyUnpacked(ThreadedUnpacking& unpacking, const DataSink& sink);

}  // namespace dv
