#include "libraries/core/read/bzip2/ThreadedUnpacking.h"

#include "libraries/core/read/bzip2/ParallelBzip2.h"
#include "libraries/core/read/xz/ThreadedXz.h"

namespace dv {

bool GainsFromThreads(const std::shared_ptr<const PositionalFile>& file) {
  return HasSeveralBzip2Blocks(file) || HasSeveralXzBlocks(file);
}

std::unique_ptr<ThreadedUnpacking> OpenThreadedUnpacking(const std::shared_ptr<const PositionalFile>& file) {
  if (HasSeveralBzip2Blocks(file)) return std::make_unique<ParallelBzip2>(file, Bzip2DecoderThreads());
  if (file) {
    if (auto blocks = ReadXzBlockStarts(*file); blocks && blocks->packed.size() > 1)
      return std::make_unique<ThreadedXz>(file, std::move(*blocks), Bzip2DecoderThreads());
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
