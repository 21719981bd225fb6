// The bzip2 block finder and the threaded unpacking, from the core, on
// arbitrary bytes as a bzip2 file, checked against a bit-by-bit search and
// libarchive's own filter.
#include <cstddef>
#include <cstdint>

#include "fuzz/Bzip2Entry.h"
#include "fuzz/FuzzMain.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dvfuzz::ScratchDir scratch;
  dvfuzz::Settle(dvfuzz::Bzip2Outcome(scratch.File(), data, size));
  return 0;
}
