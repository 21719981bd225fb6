// Runs command lines through a loaded library and looks at what they left
// on disk.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/support/TempDir.h"  // FilesUnder, which the runs' results are read with

struct CommandRun {
  int code = 0;
  std::string report;  // what the library left in the output buffer
};

// `line` through the library's command function `name` ("Unlha", "Zip", ...).
CommandRun RunLine(const ArchiverLibrary& library, const std::string& name, const std::string& line);

// The extract line of `library` (its file name) as its driver writes it,
// from `archive` into the folder `out`, and then `names` when there are any.
std::string ExtractLine(const std::string& library, const std::string& archive, const std::string& out,
                        const std::string& names = "");

// Every path below `folder`, folders ending in '/', links in '@'.
std::vector<std::string> PathsUnder(const std::filesystem::path& folder);

// The command codes of the family (contract/ResultCodes.h).
namespace code {
inline constexpr int kOk = 0;
inline constexpr int kNotSupported = 0x8001;
inline constexpr int kBadCommand = 0x8002;
inline constexpr int kBadSwitch = 0x8003;
inline constexpr int kBadLine = 0x8004;
inline constexpr int kCannotRead = 0x8005;
inline constexpr int kArchiveNotFound = 0x8006;
inline constexpr int kNotAnArchive = 0x8007;
inline constexpr int kBrokenArchive = 0x8008;
inline constexpr int kMethodNotSupported = 0x8009;
inline constexpr int kCannotCreate = 0x800A;
inline constexpr int kNoMatch = 0x800B;
inline constexpr int kUnsafeEntry = 0x800C;
inline constexpr int kVolumeMissing = 0x800D;
inline constexpr int kEncrypted = 0x800E;
inline constexpr int kNothingWritten = 0x800F;
}  // namespace code
