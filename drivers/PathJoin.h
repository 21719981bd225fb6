// A directory and a file name joined with exactly one delimiter between them.
#pragma once

#include <string>

// The name alone for an empty directory; otherwise the directory, a delimiter
// unless its last character already is one, and the name. The last
// character is taken whole, so the second byte of a double-byte character is
// never mistaken for a delimiter.
std::string PathJoin(const std::string& directory, const std::string& fileName);
