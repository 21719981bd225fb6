// The creating libraries' command functions, loaded as the program loads
// them, on small trees and lines the input describes (FuzzEntries.h); the
// first byte picks the library. What they write is listed back through
// the same library.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzMain.h"

namespace {

dvfuzz::CreateFunctions loaded[dvfuzz::kCreateLibraryCount];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  for (std::size_t i = 0; i < dvfuzz::kCreateLibraryCount; ++i) {
    const dvfuzz::CreateLibrary& library = dvfuzz::kCreateLibraries[i];
    const LoadedLibrary& loadedLibrary = dvfuzz::OpenBeside(library.file);
    loaded[i].command = loadedLibrary.Require<ArcCommandFn>(library.function);
    loaded[i].listing = loadedLibrary.Listing(library.listingPrefix);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dvfuzz::ScratchDir scratch;
  if (size == 0) return 0;
  const std::size_t picked = dvfuzz::PickedCreateLibrary(data);
  dvfuzz::Settle(
      dvfuzz::CreateOutcome(loaded[picked], dvfuzz::kCreateLibraries[picked], scratch.Folder(), data + 1, size - 1));
  return 0;
}
