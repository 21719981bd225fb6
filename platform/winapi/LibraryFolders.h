// Where LoadLibraryByName looks for a library given by bare name, in order:
// the folders of DOVANEL_LIBRARY_PATH, the executable's folder, then (not on
// Windows) the private library folder of an installed program, relative to
// the executable. After these the system's own search follows.
#pragma once

#include <string>
#include <vector>

// What separates the folders of a list: ':', or ';' on Windows.
extern const char kPathListSeparator;
// The folders of a list, empty items left out; none for null.
std::vector<std::string> SplitPathList(const char* list);

// The folders as they stand now (the variable is read at each call).
std::vector<std::string> LibrarySearchFolders();

// The folders joined for a message: "a, b, c, then the system's library path".
std::string LibrarySearchText();
