#include "libraries/core/read/arj/ArjDecoder.h"

#include <algorithm>
#include <vector>

#include "libraries/core/read/arj/ArjDecoderCores.h"

namespace dv {
namespace {

constexpr std::size_t kCopyBlock = 64 * 1024;

DataResult CopyStored(const PositionalFile& file, const ArjData& data, const DataSink& sink) {
  if (data.packedSize != data.originalSize) return DataResult::kBroken;
  std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::uint64_t>(data.originalSize, kCopyBlock)));
  for (std::uint64_t done = 0; done < data.originalSize;) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(data.originalSize - done, block.size()));
    if (!file.ReadExactly(data.offset + static_cast<std::int64_t>(done), block.data(), wanted))
      return DataResult::kBroken;
    if (!sink(block.data(), wanted)) return DataResult::kSinkFailed;
    done += wanted;
  }
  return DataResult::kDone;
}

}  // namespace

DataResult UnpackArjData(const PositionalFile& file, const ArjData& data, const DataSink& sink) {
  if (!ArjMethodKnown(data.method)) return DataResult::kUnsupported;
  if (data.method == kArjMethodStored) return CopyStored(file, data, sink);
  ArjBitInput input(file, data.offset, data.packedSize);
  ArjOutput output(data.originalSize, sink);
  return data.method == kArjMethodFastest ? DecodeArjFastest(input, output) : DecodeArjHuffman(input, output);
}

}  // namespace dv
