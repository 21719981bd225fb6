// Loading the archiver libraries by their Windows names. LoadLibraryByName
// searches, in order, the folders of LibrarySearchFolders (LibraryFolders.h),
// then the system's own search; a bare name matches a file ignoring case.
// FreeLibrary, GetProcAddress, GetModuleFileNameA and SearchPathA keep their
// Windows names (the system's own on Windows).
#pragma once

#include "LibraryApi.h"

HMODULE LoadLibraryByName(LPCSTR fileName);

// How many times LoadLibraryByName has been called in this process, for tests
// of the rule that every library is loaded once.
int LoadLibraryCallCount();
