// What the fuzzers share around their entry: the pinned world of the test
// suites, a scratch folder for inputs that must be files, the libraries
// loaded from beside the fuzzer, and what is done with an outcome.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz/FuzzEntries.h"
#include "libraries/core/util/Crc32.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace dvfuzz {

// Same zone and locale as the test main, so a finding replays alike there.
inline void PinWorld() {
  setenv("TZ", "JST-9", 1);
  tzset();
  setenv("LC_ALL", "C", 1);
  std::setlocale(LC_ALL, "C");
}

// A fresh temporary folder holding the one file inputs are written to,
// removed with it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dovanel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The input file; its name is the regression test's too.
  std::string File() const { return path_.empty() ? std::string() : path_ + "/input"; }
  // A folder for targets that lay out more than one file.
  std::string Folder() const { return path_.empty() ? std::string() : path_ + "/work"; }

 private:
  std::string path_;
};

// Opens the library `file` from the fuzzer's own folder for the life of the
// process (the fuzzer's coverage counters and the leak checker's stacks
// point into it, so it is never closed). A library or function that is
// missing throws out of the fuzzer's set-up, which ends it.
inline const LoadedLibrary& OpenBeside(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  // Held through a static pointer, which outlives every destructor at exit:
  // reachable to the leak checker, never closed.
  static auto* const kept = new std::vector<std::unique_ptr<const LoadedLibrary>>;
  kept->push_back(std::make_unique<const LoadedLibrary>((folder / file).string()));
  return *kept->back();
}

// Prints the summary when DOVANEL_FUZZ_SHOW is set (to write down what a
// kept input must give); a broken promise is a finding, so it aborts.
inline void Settle(const Outcome& outcome) {
  static const bool show = getenv("DOVANEL_FUZZ_SHOW") != nullptr;
  if (show) std::fprintf(stderr, "outcome: %s\n", outcome.summary.c_str());
  if (!outcome.faults.empty()) {
    std::fprintf(stderr, "fault: %s (outcome %s)\n", outcome.faults.c_str(), outcome.summary.c_str());
    abort();
  }
}

// Gives every ARJ basic header in `data` (id, a plausible size, the header
// and room for its CRC) the CRC it needs; mutated headers would otherwise
// almost never pass the reader's first check.
inline void FixArjCrcs(std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kSmallest = 30, kLargest = 2600;
  for (std::size_t at = 0; at + 4 <= size; ++at) {
    if (data[at] != 0x60 || data[at + 1] != 0xEA) continue;
    const std::size_t length = data[at + 2] | data[at + 3] << 8;
    if (length < kSmallest || length > kLargest || at + 4 + length + 4 > size) continue;
    const std::uint32_t crc = dv::Crc32(data + at + 4, length);
    for (int i = 0; i < 4; ++i) data[at + 4 + length + i] = static_cast<std::uint8_t>(crc >> (8 * i));
  }
}

// Gives a 7z start header at the input's start the CRCs it needs: its own,
// and that of the header it points to when that lies inside the input.
inline void FixSevenZipCrcs(std::uint8_t* data, std::size_t size) {
  if (size < 32) return;
  const auto le64 = [data](std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | data[at + i];
    return value;
  };
  const auto put32 = [data](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const std::uint64_t offset = le64(12), length = le64(20);
  if (offset <= size - 32 && length <= size - 32 - offset) put32(28, dv::Crc32(data + 32 + offset, length));
  put32(8, dv::Crc32(data + 12, 20));
}

// An input whose first byte picks a library, and the rest is the archive:
// mutated as libFuzzer would, then, when the picked library is the ARJ one,
// with its header CRCs mended.
template <typename Library, std::size_t Count>
std::size_t MutatePicked(const Library (&libraries)[Count], std::uint8_t* data, std::size_t size, std::size_t maxSize) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  if (size > 1 && std::string(libraries[data[0] % Count].file) == "UNARJ32J.DLL") FixArjCrcs(data + 1, size - 1);
  return size;
}

}  // namespace dvfuzz
