// Every library's listing functions, loaded as the program loads them, on
// arbitrary bytes as an archive file; the first byte picks the library.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz/FuzzMain.h"

namespace {

dvfuzz::ListingFunctions loaded[dvfuzz::kListingLibraryCount];

template <typename Function>
Function Symbol(void* library, const std::string& file, const std::string& name) {
  void* address = dlsym(library, name.c_str());
  if (address == nullptr) {
    std::fprintf(stderr, "%s does not export %s\n", file.c_str(), name.c_str());
    abort();
  }
  return reinterpret_cast<Function>(address);
}

// The libraries stay loaded for the life of the process: the fuzzer's
// coverage counters and the leak checker's stacks point into them.
void LoadLibraries() {
  const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  for (std::size_t i = 0; i < dvfuzz::kListingLibraryCount; ++i) {
    const std::string file = dvfuzz::kListingLibraries[i].file;
    const std::string prefix = dvfuzz::kListingLibraries[i].prefix;
    void* library = dlopen((folder / file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      std::fprintf(stderr, "dlopen %s: %s\n", file.c_str(), dlerror());
      abort();
    }
    dvfuzz::ListingFunctions& functions = loaded[i];
    functions.open = Symbol<ArcOpenArchiveFn>(library, file, prefix + "OpenArchive");
    functions.close = Symbol<ArcCloseArchiveFn>(library, file, prefix + "CloseArchive");
    functions.findFirst = Symbol<ArcFindFirstFn>(library, file, prefix + "FindFirst");
    functions.findNext = Symbol<ArcFindNextFn>(library, file, prefix + "FindNext");
    functions.check = Symbol<ArcCheckArchiveFn>(library, file, prefix + "CheckArchive");
    if (file == "tar32.dll") functions.tarType = Symbol<ArcGetArchiveTypeFn>(library, file, "TarGetArchiveType");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  LoadLibraries();
  return 0;
}

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

// Mutates as libFuzzer would, then mends the header CRCs of an input for
// the ARJ library.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  if (size > 1 && std::string(dvfuzz::kListingLibraries[dvfuzz::PickedLibrary(data)].file) == "UNARJ32J.DLL")
    dvfuzz::FixArjCrcs(data + 1, size - 1);
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dvfuzz::ScratchDir scratch;
  if (size == 0) return 0;
  dvfuzz::Settle(dvfuzz::ListingOutcome(loaded[dvfuzz::PickedLibrary(data)], scratch.File(), data + 1, size - 1));
  return 0;
}
