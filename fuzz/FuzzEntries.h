// What each fuzz target does with one input, written once so the fuzzers
// and the regression test that replays their findings run the same code.
// Each entry returns a short summary of what the library gave (compared
// with the expected one in the regression test) and the broken promises it
// saw on the way (a fuzzer aborts on any).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "archives/EntryInfo.h"

namespace dvfuzz {

struct Outcome {
  std::string summary;  // e.g. "entries=3 end data=DDU"
  std::string faults;   // empty when every promise held
};

// A walk that reaches this many entries stops there: a small input may
// unpack to a huge tar, which is no fault, but it is no use to walk it all.
inline constexpr std::size_t kMaxEntries = 5000;

// Our ARJ reader, over the core: lists every entry of `bytes` (written to
// `scratch`) to its end, unpacks each entry's data (which must then have
// the entry's size and CRC), walks again after a rewind. Summary "refused",
// or "entries=N end|broken|volume-missing data=<one letter per entry: D
// done, B broken, U unsupported method, V a volume missing>".
Outcome ArjOutcome(const std::string& scratch, const std::uint8_t* bytes, std::size_t size);

// The listing functions of one loaded library.
struct ListingFunctions {
  ArcOpenArchiveFn open = nullptr;
  ArcCloseArchiveFn close = nullptr;
  ArcFindFirstFn findFirst = nullptr;
  ArcFindNextFn findNext = nullptr;
  ArcCheckArchiveFn check = nullptr;
  ArcGetArchiveTypeFn tarType = nullptr;  // tar32.dll's TarGetArchiveType; else nullptr
};

// The libraries the listing target feeds, in the order its first byte picks
// them, with the prefix of their listing functions.
struct ListingLibrary {
  const char* file;
  const char* prefix;
};
inline constexpr ListingLibrary kListingLibraries[] = {
    {"UNLHA32.DLL", "Unlha"}, {"UNZIP32.DLL", "UnZip"},   {"ZIP32J.DLL", "UnZip"}, {"LMZIP32.DLL", "Unzip"},
    {"CAB32.DLL", "Cab"},     {"UNARJ32J.DLL", "Unarj"}, {"tar32.dll", "Tar"},    {"UNRAR32.DLL", "Unrar"},
};
inline constexpr std::size_t kListingLibraryCount = std::size(kListingLibraries);

// A listing input: the first byte picks the library (modulo the count), the
// rest is the archive file. Nothing to do for an empty input.
inline std::size_t PickedLibrary(const std::uint8_t* input) { return input[0] % kListingLibraryCount; }

// Writes `bytes` to `scratch`, opens it in mode 0 and in the probe mode,
// walks FindFirst/FindNext to the end (twice: the second FindFirst starts
// over), closes, asks CheckArchive and, for tar32.dll, TarGetArchiveType.
// Summary "refused check=C[ type=T]" or "entries=N check=C[ type=T]".
Outcome ListingOutcome(const ListingFunctions& library, const std::string& scratch, const std::uint8_t* bytes,
                       std::size_t size);

// The command-line parser of every language on `bytes` as one line (up to
// a NUL). '@' becomes '#' first: a name "@path" would read the file `path`,
// and the fuzzer must not read files the input names; the tokens a
// response file is read into are checked on the raw bytes instead.
// Summary: one "language=result" per language, blank-separated, where a
// result is the error code in hex or "ok/<operation>/<names>/<excludes>".
Outcome CommandLineOutcome(const std::uint8_t* bytes, std::size_t size);

}  // namespace dvfuzz
