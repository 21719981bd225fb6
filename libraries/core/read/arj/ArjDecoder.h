// Unpacking the data of one ARJ entry (or of its part in one volume).
// Methods 1 to 3 share one coding, LZ77 with static Huffman codes sent
// block by block; they differ only in how hard the packer searched.
// Method 4 is a simpler LZ77 whose lengths and distances are sent as
// unary-prefixed numbers. Method 0 is stored.
#pragma once

#include <cstdint>

#include "libraries/core/read/Entry.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

inline constexpr unsigned kArjMethodStored = 0;
inline constexpr unsigned kArjMethodFastest = 4;

struct ArjData {
  unsigned method = kArjMethodStored;
  std::int64_t offset = 0;  // where the packed data starts in the file
  std::uint64_t packedSize = 0;
  std::uint64_t originalSize = 0;
};

inline bool ArjMethodKnown(unsigned method) { return method <= kArjMethodFastest; }

// Unpacks `data` of `file` into `sink`: kDone when exactly its original size
// came out of no more than its packed bytes. kBroken for damaged data,
// kUnsupported for an unknown method. The CRC is the caller's to check.
DataResult UnpackArjData(const PositionalFile& file, const ArjData& data, const DataSink& sink);

}  // namespace dv
