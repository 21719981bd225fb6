#include "libraries/core/read/ThreadedUnpacking.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "libraries/core/read/Compressions.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/bzip2/ParallelBzip2.h"
#include "libraries/core/read/xz/ThreadedXz.h"

namespace dv {

unsigned UnpackingThreads() {
  if (const char* text = std::getenv("DOVANEL_THREADS")) {
    char* rest = nullptr;
    const long value = std::strtol(text, &rest, 10);
    if (rest != text && *rest == '\0' && value >= 1 && value <= static_cast<long>(kMostThreads))
      return static_cast<unsigned>(value);
  }
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
}

std::unique_ptr<ThreadedUnpacking> OpenThreadedUnpacking(const std::shared_ptr<const PositionalFile>& file) {
  if (!file) return nullptr;
  // The magic first: every compressed tar comes here, and only a bzip2 or
  // xz file is worth a look at its layout.
  const Compression* compression = CompressionAt(*file, 0);
  const TarType type = compression != nullptr ? compression->plainType : kTarOther;
  if (type == kBzip2Only) {
    if (HasSeveralBzip2Blocks(file)) return std::make_unique<ParallelBzip2>(file, UnpackingThreads());
  } else if (type == kXzOnly) {
    // liblzma's threaded decoder holds whole blocks in memory (77 MiB
    // against 10 for xz -dc on xz -6 blocks): worth it only with a second
    // thread.
    if (auto blocks = ReadXzBlockStarts(*file); blocks && blocks->packed.size() > 1) {
      if (const unsigned threads = UnpackingThreads(); threads > 1)
        return std::make_unique<ThreadedXz>(file, std::move(*blocks), threads);
    }
  }
  return nullptr;
}

DataResult CopyUnpacked(ThreadedUnpacking& unpacking, const DataSink& sink) {
  for (;;) {
    const char* data = nullptr;
    std::size_t size = 0;
    switch (unpacking.Next(data, size)) {
      case ThreadedUnpacking::Read::kEnd: return DataResult::kDone;
      case ThreadedUnpacking::Read::kBroken: return DataResult::kBroken;
      case ThreadedUnpacking::Read::kData:
        if (!sink(data, size)) return DataResult::kSinkFailed;
        break;
    }
  }
}

}  // namespace dv
