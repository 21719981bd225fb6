// Every extracting library's command function, loaded as the program loads
// it, on arbitrary bytes as the archive to extract; the first byte picks the
// library.
#include <sys/resource.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzMain.h"

namespace {

ArcCommandFn commands[dvfuzz::kExtractLibraryCount];

// A few kilobytes of bzip2 can stand for gigabytes: a file that would grow
// past this fails its write (the library reports it) instead of filling the
// disk.
constexpr rlim_t kLargestFile = 256u << 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dvfuzz::PinWorld();
  const struct rlimit limit = {kLargestFile, kLargestFile};
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, SIG_IGN);
  for (std::size_t i = 0; i < dvfuzz::kExtractLibraryCount; ++i) {
    const dvfuzz::ExtractLibrary& library = dvfuzz::kExtractLibraries[i];
    commands[i] = dvfuzz::OpenBeside(library.file).Require<ArcCommandFn>(library.function);
  }
  return 0;
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int) {
  return dvfuzz::MutatePicked(dvfuzz::kExtractLibraries, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const dvfuzz::ScratchDir scratch;
  if (size == 0) return 0;
  const std::size_t picked = dvfuzz::PickedExtractLibrary(data);
  dvfuzz::Settle(dvfuzz::ExtractOutcome(commands[picked], dvfuzz::kExtractLibraries[picked], scratch.Folder(), data + 1,
                                        size - 1));
  return 0;
}
