// How data is handed on block by block, from an archive's entry or a file,
// and how such a copy ended.
#pragma once

#include <cstddef>
#include <functional>

namespace dv {

enum class DataResult {
  kDone,           // every byte went to the sink and checked out
  kBroken,         // the data is damaged, cut short or fails its check
  kUnsupported,    // the entry's method is one this reader cannot unpack
  kSinkFailed,     // the sink refused a block
  kVolumeMissing,  // part of the data is in another volume that is not there
};

// Receives an entry's data block by block; false stops the copy.
using DataSink = std::function<bool(const void* data, std::size_t size)>;

}  // namespace dv
