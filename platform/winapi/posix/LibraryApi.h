// Shared libraries by the Windows names, over the dynamic loader. Included by
// platform/winapi/Library.h.
#pragma once

#include <string>
#include <vector>

#include "contract/WinTypes.h"

// The files named `name` (ignoring case, an exact match first) in the
// folders LoadLibraryByName searches, in its order; what it tries before the
// loader's own search. A name with a '/' is itself.
std::vector<std::string> LibraryFilesNamed(const std::string& name);

BOOL FreeLibrary(HMODULE module);
// Null for a null module or a missing export.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// The loaded file's full path (the executable's for a null module); returns
// the length copied, at most size - 1, always NUL-terminated when size > 0.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
// Finds a file by bare name in the executable's folder, the current folder
// and PATH. Returns the full path's length (copied when it fits with its NUL),
// or the size needed when it does not fit, or 0 when not found.
DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);
