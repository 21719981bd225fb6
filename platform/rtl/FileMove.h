// Moving files by name and telling whether two names reach one file.
#pragma once

#include <string>

// Renames or moves a file within its file system, replacing a file of the
// new name; false when it cannot.
bool RenameFile(const std::string& oldName, const std::string& newName);
// True when both names reach one existing file (links and other spellings of
// the same path included).
bool SameFile(const std::string& first, const std::string& second);
// Creates a new empty file named `prefix` followed by a unique suffix and
// returns its name; empty when it cannot.
std::string CreateUniqueFile(const std::string& prefix);
