// Runs command lines through a loaded library and looks at what they left
// on disk.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "contract/ResultCodes.h"
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

// The command codes of the family by shorter names.
namespace code {
inline constexpr int kOk = dv::kOk;
inline constexpr int kNotSupported = dv::kErrorNotSupported;
inline constexpr int kBadCommand = dv::kErrorBadCommand;
inline constexpr int kBadSwitch = dv::kErrorBadSwitch;
inline constexpr int kBadLine = dv::kErrorBadLine;
inline constexpr int kCannotRead = dv::kErrorCannotRead;
inline constexpr int kArchiveNotFound = dv::kErrorArchiveNotFound;
inline constexpr int kNotAnArchive = dv::kErrorNotAnArchive;
inline constexpr int kBrokenArchive = dv::kErrorBrokenArchive;
inline constexpr int kMethodNotSupported = dv::kErrorMethodNotSupported;
inline constexpr int kCannotCreate = dv::kErrorCannotCreate;
inline constexpr int kNoMatch = dv::kErrorNoMatch;
inline constexpr int kUnsafeEntry = dv::kErrorUnsafeEntry;
inline constexpr int kVolumeMissing = dv::kErrorVolumeMissing;
inline constexpr int kEncrypted = dv::kErrorEncrypted;
inline constexpr int kNothingWritten = dv::kErrorNothingWritten;
}  // namespace code
