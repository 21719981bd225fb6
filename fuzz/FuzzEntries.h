// What each fuzz target does with one input, written once so the fuzzers
// and the regression test that replays their findings run the same code
// (ArjOutcome, ListingOutcome, CommandLineOutcome here; ExtractOutcome in
// ExtractEntry.cpp, CreateOutcome in CreateEntry.cpp).
// Each entry returns a short summary of what the library gave (compared
// with the expected one in the regression test) and the broken promises it
// saw on the way (a fuzzer aborts on any).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "contract/LibraryLoader.h"

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

// Our 7z header reader, over the core, on `bytes` (written to `scratch`):
// the header must hold together (each item with data in a folder, the
// sizes of a folder's items within its result, names UTF-8), and the
// listing made of it must walk alike twice. Summary "refused",
// "items=N folders=M data=D", or "behind a stub: entries=N" for an archive
// the listing finds after a self-extractor's stub.
Outcome SevenZipHeaderOutcome(const std::string& scratch, const std::uint8_t* bytes, std::size_t size);

// The libraries the listing target feeds, in the order its first byte picks
// them, with the prefix of their listing functions.
struct ListingLibrary {
  const char* file;
  const char* prefix;
};
// clang-format off
inline constexpr ListingLibrary kListingLibraries[] = {
    {"UNLHA32.DLL", "Unlha"}, {"UNZIP32.DLL", "UnZip"},   {"ZIP32J.DLL", "UnZip"}, {"LMZIP32.DLL", "Unzip"},
    {"CAB32.DLL", "Cab"},     {"UNARJ32J.DLL", "Unarj"}, {"tar32.dll", "Tar"},    {"UNRAR32.DLL", "Unrar"},
    {"7-ZIP32.DLL", "SevenZip"},
};
// clang-format on
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

// Lists `path` through `library` in mode 0 and in the probe mode, each walk
// twice, adding every broken promise to `outcome.faults`: the records of
// the mode-0 walk, or nothing when it does not open.
struct ListedRecords {
  bool opened = false;
  bool bounded = false;  // stopped at kMaxEntries
  std::vector<ENTRYINFO> records;
};
ListedRecords ListRecords(const ListingFunctions& library, const std::string& path, Outcome& outcome);

// The command-line parser of every language on `bytes` as one line (up to
// a NUL). '@' becomes '#' first: a name "@path" would read the file `path`,
// and the fuzzer must not read files the input names; the tokens a
// response file is read into are checked on the raw bytes instead.
// Summary: one "language=result" per language, blank-separated, where a
// result is the error code in hex or "ok/<operation>/<names>/<excludes>".
Outcome CommandLineOutcome(const std::uint8_t* bytes, std::size_t size);

// ---- extraction -----------------------------------------------------------------

// The extracting libraries, in the order the extraction target's first
// byte picks them, with the command function and the line their driver
// writes ("@A" the archive, "@O" the folder to extract into).
struct ExtractLibrary {
  const char* file;
  const char* function;
  const char* line;
};
// clang-format off
inline constexpr ExtractLibrary kExtractLibraries[] = {
    {"UNLHA32.DLL", "Unlha", R"(x -+  "@A" "@O/")"},  {"UNZIP32.DLL", "UnZip", R"(-x  "@A" "@O/")"},
    {"LMZIP32.DLL", "Unzip", R"(-x -o  "@A" "@O/")"}, {"CAB32.DLL", "Cab", R"(-x -i  "@A" "@O/")"},
    {"UNARJ32J.DLL", "Unarj", R"(x -+  "@A" "@O/")"}, {"tar32.dll", "Tar", R"(x  -f "@A" -o "@O/")"},
    {"UNRAR32.DLL", "Unrar", R"(-x -u  "@A" "@O/")"}, {"7-ZIP32.DLL", "SevenZip", R"(x -aos -y  "@A" "@O/")"},
};
// clang-format on
inline constexpr std::size_t kExtractLibraryCount = std::size(kExtractLibraries);
inline std::size_t PickedExtractLibrary(const std::uint8_t* input) { return input[0] % kExtractLibraryCount; }

// Writes `bytes` as an archive into the folder `work` (emptied first and
// after), extracts it through `command` into a fresh folder there, and
// checks that nothing outside that folder changed, that no link, device,
// FIFO or socket was made in it, that the output buffer holds a
// terminated report and that the code fits what was written (no success
// with nothing written after links were passed over, no refusal that
// wrote). Summary "code=<hex> files=N folders=M bytes=B", or "code=<hex>
// none" when the folder was never made.
Outcome ExtractOutcome(ArcCommandFn command, const ExtractLibrary& library, const std::string& work,
                       const std::uint8_t* bytes, std::size_t size);

// ---- creation -------------------------------------------------------------------

enum class CreateKind { kZip32j, kLmZip32, kTar };
struct CreateLibrary {
  const char* file;
  const char* function;
  const char* listingPrefix;
  CreateKind kind;
};
inline constexpr CreateLibrary kCreateLibraries[] = {
    {"ZIP32J.DLL", "Zip", "UnZip", CreateKind::kZip32j},
    {"LMZIP32.DLL", "Zip", "Unzip", CreateKind::kLmZip32},
    {"tar32.dll", "Tar", "Tar", CreateKind::kTar},
};
inline constexpr std::size_t kCreateLibraryCount = std::size(kCreateLibraries);
inline std::size_t PickedCreateLibrary(const std::uint8_t* input) { return input[0] % kCreateLibraryCount; }

struct CreateFunctions {
  ArcCommandFn command = nullptr;
  ListingFunctions listing;
};

// A creation input: the first byte picks the library, the rest are lines
// ("%XX" in a name or data stands for the byte XX):
//   f NAME[=DATA]   a file (empty without "=")     d NAME   a folder
//   l NAME>TARGET   a symbolic link                p NAME   a FIFO
//   h NAME>TARGET   a hard link to a file made before
//   s SWITCHES      switches put before the archive name (only "-..."
//                   tokens of letters, digits and "=*.?-"; tar's -f and -o
//                   are the harness's own)
//   n NAME          a name of the line (relative, at most one "..")
//   o               an archive made by the library from one file stands
//                   there before; O a file that is no archive does
//   i               the archive lies inside the tree, not beside it
// Names of the tree are relative, without "." or "..". The harness makes
// the tree in `work` (emptied first and after), runs the creating line
// (LMZIP32.DLL's from inside the tree, with no base directory, as its
// driver does) and checks: the tree is unchanged; after success the
// archive lists back to its end through the same library with at least one
// entry (unless the line deletes) and only relative names without "..";
// after a failure any old archive is byte for byte what it was (or there
// is still none) and nothing was left beside it. Summary "code=<hex>
// entries=N" or "code=<hex>".
Outcome CreateOutcome(const CreateFunctions& library, const CreateLibrary& which, const std::string& work,
                      const std::uint8_t* bytes, std::size_t size);

}  // namespace dvfuzz
