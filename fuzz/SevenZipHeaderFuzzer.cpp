// Our 7z header reader, from the core, on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzMain.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  return 0;
}

// Mutates as libFuzzer would, then mends the start header's CRCs.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  dvfuzz::FixSevenZipCrcs(data, size);
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dvfuzz::ScratchDir scratch;
  dvfuzz::Settle(dvfuzz::SevenZipHeaderOutcome(scratch.File(), data, size));
  return 0;
}
