// Moving files by name and telling whether two names reach one file.
#pragma once

#include <string>

// Renames or moves a file within its file system, replacing a file of the
// new name; false when it cannot.
bool RenameFile(const std::string& oldName, const std::string& newName);
// Moves a file like RenameFile, also to another file system: there it is
// copied with its mode and times under a unique name beside the new one,
// put in place once complete, and only then removed here. False when it
// cannot; the file then stays where it was and no copy is left.
bool MoveFile(const std::string& oldName, const std::string& newName);
// True when both names reach one existing file (links and other spellings of
// the same path included).
bool SameFile(const std::string& first, const std::string& second);
// Creates a new empty file named `prefix` followed by a unique suffix and
// returns its name; empty when it cannot.
std::string CreateUniqueFile(const std::string& prefix);
// Creates a new folder that only its owner may enter, in the system's
// temporary folder (TMPDIR, else /tmp), named `prefix` followed by a unique
// suffix, and returns its path; empty when it cannot.
std::string CreatePrivateTemporaryFolder(const std::string& prefix);
// Removes a folder and everything in it, links not followed; false when
// anything stays.
bool RemoveFolderTree(const std::string& folder);
