// What the bzip2 fuzz target does with one input, beside the other targets'
// entries (fuzz/FuzzEntries.h) and replayed the same way by the regression
// test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzEntries.h"

namespace dvfuzz {

// Output read from each unpacking before it counts as enough: a few bytes
// of input can unpack to gigabytes, which is no fault.
inline constexpr std::size_t kMaxBzip2Output = 32 << 20;

// `bytes` (written to `scratch`) as a bzip2 file. The block finder must find
// exactly the magics a bit-by-bit search finds, in one buffer and read in
// chunks of a size the input picks; the threaded unpacking (no thread and
// two threads) must end as libarchive's filter ends, with the same bytes
// before. Summary "markers=M bytes=N end|broken|enough" (libarchive's
// outcome; "refused" when libarchive does not take the file).
Outcome Bzip2Outcome(const std::string& scratch, const std::uint8_t* bytes, std::size_t size);

}  // namespace dvfuzz
