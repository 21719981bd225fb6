// The compressions of tar32.dll's files, one row each: a tar inside one of
// them, or a file of one alone. What tells a compression by its first bytes,
// unpacks it, writes it, takes its switch on the command line or names it
// walks this table, so a new compression is a row here (and its two codes
// in contract/TarArchiveTypes.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "contract/TarArchiveTypes.h"
#include "libraries/core/read/PositionalFile.h"

struct archive;

namespace dv {

struct Compression {
  const char* name = "";          // the method a listing shows; libarchive's name for its options
  std::string_view magic{};       // the first bytes of its data
  TarType tarType = kTarOther;    // TarGetArchiveType's answer for a tar inside it
  TarType plainType = kTarOther;  // and for a file of it alone
  // What files of it are called, separated by blanks: a tar inside it
  // (".tgz", listed as ".tar"), the file alone (".gz", listed without it).
  std::string_view tarExtensions{}, plainExtensions{};
  int (*readFilter)(struct archive*) = nullptr;
  int (*writeFilter)(struct archive*) = nullptr;  // nullptr: "c" never writes it
  // The levels a line may ask for; without one, the filter's own default.
  int lowestLevel = 0, highestLevel = 0;
  // tar32's switches (after the '-') that choose it for "c": alone, and
  // with an optional level after it. Empty: no such switch.
  std::string_view flagSwitch{}, levelSwitch{};
  // Whether the header at `start` is whole: the bytes the filter checks
  // before it unpacks anything. nullptr: nothing tells before unpacking.
  bool (*headerWhole)(const PositionalFile& file, std::int64_t start) = nullptr;
  // What the file unpacks to, where the format keeps it (UnpackedSize.h);
  // nullptr: it keeps nothing (gzip's trailer is read by its own reader).
  std::optional<std::uint64_t> (*unpackedSize)(const PositionalFile& file) = nullptr;
  // Where the data may start inside an executable's stub: its signature
  // (empty: never looked for), how far into the data that lies, and a cheap
  // look at the bytes at the start.
  std::string_view stubSignature{};
  std::int64_t stubLead = 0;
  bool (*stubPlausible)(const PositionalFile& file, std::int64_t start) = nullptr;
};

std::span<const Compression> Compressions();

// The compression whose magic is at `start`; nullptr for none. Reads those
// bytes only; a file shorter than three bytes is none.
const Compression* CompressionAt(const PositionalFile& file, std::int64_t start);

// The compression of a TarGetArchiveType code, tar or plain; nullptr for
// the codes of no compression.
const Compression* CompressionOfType(TarType type);

}  // namespace dv
