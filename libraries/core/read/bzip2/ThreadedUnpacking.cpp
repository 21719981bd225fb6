#include "libraries/core/read/bzip2/ThreadedUnpacking.h"

#include "libraries/core/read/bzip2/ParallelBzip2.h"

namespace dv {

bool GainsFromThreads(const std::shared_ptr<const PositionalFile>& file) { return HasSeveralBzip2Blocks(file); }

std::unique_ptr<ThreadedUnpacking> OpenThreadedUnpacking(const std::shared_ptr<const PositionalFile>& file) {
  if (HasSeveralBzip2Blocks(file)) return std::make_unique<ParallelBzip2>(file, Bzip2DecoderThreads());
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
