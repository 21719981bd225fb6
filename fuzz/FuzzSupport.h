// What the fuzz entries share among themselves: recording a broken promise,
// writing an input to a file, and a folder tree as a comparable picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "fuzz/FuzzEntries.h"

namespace dvfuzz {

// Adds `text` to the outcome's faults.
void Fault(Outcome& outcome, const std::string& text);

// Writes `bytes` to a new or emptied file at `path`.
bool WriteScratch(const std::string& path, const std::uint8_t* bytes, std::size_t size);

// Every path below `folder` (links not followed) with what it is: "d" a
// folder, "f<size>:<crc>" a file (" links=N" added when it has more than
// one name), "l>target" a link, "s" anything else.
using FolderPicture = std::map<std::string, std::string>;
FolderPicture PictureOf(const std::string& folder);

// The first path whose picture differs, with both sides; "" when none does.
std::string FirstDifference(const FolderPicture& before, const FolderPicture& after);

// Removes everything inside `folder` (which stays), giving folders their
// owner's access back first; makes it when missing.
void EmptyFolder(const std::string& folder);

// The code in upper-case hex, as the summaries write it.
std::string Hex(int code);

// A code the command functions may return (contract/ResultCodes.h).
bool KnownCommandCode(int code);

}  // namespace dvfuzz
