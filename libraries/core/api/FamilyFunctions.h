// What every exported function of the family does; the export files of the
// libraries only name these and say which format the library reads.
#pragma once

#include "contract/EntryInfo.h"
#include "libraries/core/command/CommandParser.h"
#include "libraries/core/read/Formats.h"

namespace dv {

// The command entry point: runs `line` in `language` on `format` and leaves
// its short report in `output`, cut to fit `size` with its terminator
// (nothing is written when `size` is 0).
int RunCommand(CommandLanguage language, Format format, LPCSTR line, LPSTR output, DWORD size);

HARC OpenArchive(LPCSTR path, Format format);
int CloseArchive(HARC handle);
int FindFirst(HARC handle, LPCSTR wildcard, ENTRYINFO* record);
int FindNext(HARC handle, ENTRYINFO* record);
// TRUE when the file opens as `format` and every header reads to the end.
int CheckArchive(LPCSTR path, Format format);

// The owner window the library would show its dialogs over.
BOOL SetOwnerWindow(HWND window);
// TRUE when `window` was the stored owner (which is then forgotten).
BOOL KillOwnerWindow(HWND window);
// Forgets the stored owner, whichever it was; TRUE.
BOOL ClearOwnerWindow();

// TarGetArchiveType: a TarType code.
int GetTarArchiveType(LPCSTR path);

}  // namespace dv
