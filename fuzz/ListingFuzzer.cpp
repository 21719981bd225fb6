// Every library's listing functions, loaded as the program loads them, on
// arbitrary bytes as an archive file; the first byte picks the library.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzMain.h"

namespace {

ListingFunctions loaded[dvfuzz::kListingLibraryCount];

void LoadLibraries() {
  for (std::size_t i = 0; i < dvfuzz::kListingLibraryCount; ++i) {
    const std::string file = dvfuzz::kListingLibraries[i].file;
    loaded[i] = dvfuzz::OpenBeside(file).Listing(dvfuzz::kListingLibraries[i].prefix);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  LoadLibraries();
  return 0;
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int) {
  return dvfuzz::MutatePicked(dvfuzz::kListingLibraries, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dvfuzz::ScratchDir scratch;
  if (size == 0) return 0;
  dvfuzz::Settle(dvfuzz::ListingOutcome(loaded[dvfuzz::PickedLibrary(data)], scratch.File(), data + 1, size - 1));
  return 0;
}
