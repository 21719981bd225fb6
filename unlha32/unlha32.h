// The LHA function table: every function UNLHA32.DLL exports, bound late at
// process start. Each entry starts as a stub that reports the missing library
// and returns 0; set-up replaces it with the library's own function when the
// library loads and exports the name. The library stays loaded until the
// process ends.
#pragma once

#include <cstdint>

#include "platform/winapi/WinTypes.h"

// The family's entry record (archives/EntryInfo.h); the table only passes it on.
struct ENTRYINFO;
// Archive handle of an open listing, as the family hands it out; 0 = none.
using HARC = std::uintptr_t;
using WORD = std::uint16_t;

// The table, in its order: X(exported name, stub's name in its message,
// result, parameters, arguments). Generate code from it rather than copying
// it. Twice the stub's name is spelt differently from the export; the box
// texts keep those spellings.
#define DV_UNLHA_FUNCTIONS(X)                                                                                  \
  X(UnlhaGetVersion, "UnlhaGetVersion", WORD, (), ())                                                          \
  X(UnlhaGetSubVersion, "UnlhaGetSubVersion", WORD, (), ())                                                    \
  X(UnlhaGetRunning, "UnlhaGetRunning", BOOL, (), ())                                                          \
  X(UnlhaGetBackGroundMode, "UnlhaGetBackGroundMode", BOOL, (), ())                                            \
  X(UnlhaSetBackGroundMode, "UnlhaSetBackGroundMode", BOOL, (BOOL backGroundMode), (backGroundMode))           \
  X(UnlhaGetCursorMode, "UnlhaGetCursorMode", BOOL, (), ())                                                    \
  X(UnlhaSetCursorMode, "UnlhaSetCursorMode", BOOL, (BOOL cursorMode), (cursorMode))                           \
  X(UnlhaGetCursorInterval, "UnlhaGetCursorInterval", WORD, (), ())                                            \
  X(UnlhaSetCursorInterval, "UnlhaSetCursorInterval", BOOL, (WORD interval), (interval))                       \
  X(Unlha, "Unlha", int, (HWND window, LPCSTR commandLine, LPSTR output, DWORD size),                          \
    (window, commandLine, output, size))                                                                       \
  X(UnlhaCheckArchive, "UnlhaCheckArchive", BOOL, (LPCSTR archivePath, int mode), (archivePath, mode))         \
  X(UnlhaConfigDialog, "UnlhaConfigDialog", BOOL, (HWND window, LPSTR options, int mode),                      \
    (window, options, mode))                                                                                   \
  X(UnlhaGetFileCount, "UnlhaGetFileCount", int, (LPCSTR archivePath), (archivePath))                          \
  X(UnlhaOpenArchive, "UnlhaOpenArchive", HARC, (HWND window, LPCSTR archivePath, DWORD mode),                 \
    (window, archivePath, mode))                                                                               \
  X(UnlhaCloseArchive, "UnlhaCloseArchive", int, (HARC archive), (archive))                                    \
  X(UnlhaFindFirst, "UnlhaFindFirst", int, (HARC archive, LPCSTR wildcard, ENTRYINFO * entry),                 \
    (archive, wildcard, entry))                                                                                \
  X(UnlhaFindNext, "UnlhaFindNext", int, (HARC archive, ENTRYINFO * entry), (archive, entry))                  \
  X(UnlhaGetArcFileName, "UnlhaGetArcFileName", int, (HARC archive, LPSTR buffer, int size),                   \
    (archive, buffer, size))                                                                                   \
  X(UnlhaGetArcFileSize, "UnlhaGetArcFileSize", DWORD, (HARC archive), (archive))                              \
  X(UnlhaGetArcOriginalSize, "UnlhaGetArcOriginalSize", DWORD, (HARC archive), (archive))                      \
  X(UnlhaGetArcCompressedSize, "UnlhaGetArcCompessedSize", DWORD, (HARC archive), (archive))                   \
  X(UnlhaGetArcRatio, "UnlhaGetArcRatio", WORD, (HARC archive), (archive))                                     \
  X(UnlhaGetArcDate, "UnlhaGetArcDate", WORD, (HARC archive), (archive))                                       \
  X(UnlhaGetArcTime, "UnlhaGetArcTime", WORD, (HARC archive), (archive))                                       \
  X(UnlhaGetArcOSType, "UnlhaGetArcOSType", UINT, (HARC archive), (archive))                                   \
  X(UnlhaGetFileName, "UnlhaGetFileName", int, (HARC archive, LPSTR buffer, int size), (archive, buffer, size)) \
  X(UnlhaGetMethod, "UnlhaGetMethod", int, (HARC archive, LPSTR buffer, int size), (archive, buffer, size))     \
  X(UnlhaGetOriginalSize, "UnlhaGetOriginalSize", DWORD, (HARC archive), (archive))                            \
  X(UnlhaGetCompressedSize, "UnlhaGetCompressedSize", DWORD, (HARC archive), (archive))                        \
  X(UnlhaGetRatio, "UnlhaGetRatio", WORD, (HARC archive), (archive))                                           \
  X(UnlhaGetDate, "UnlhaGetDate", WORD, (HARC archive), (archive))                                             \
  X(UnlhaGetTime, "UnlhaGetTime", WORD, (HARC archive), (archive))                                             \
  X(UnlhaGetWriteTime, "UnlhaGetWriteTime", DWORD, (HARC archive), (archive))                                  \
  X(UnlhaGetAccessTime, "UnlhaGetAcessTime", DWORD, (HARC archive), (archive))                                 \
  X(UnlhaGetCreateTime, "UnlhaGetCreateTime", DWORD, (HARC archive), (archive))                                \
  X(UnlhaGetCRC, "UnlhaGetCRC", DWORD, (HARC archive), (archive))                                              \
  X(UnlhaGetAttribute, "UnlhaGetAttribute", int, (HARC archive), (archive))                                    \
  X(UnlhaGetOSType, "UnlhaGetOSType", UINT, (HARC archive), (archive))                                         \
  X(UnlhaQueryFunctionList, "UnlhaQueryFunctionList", BOOL, (int function), (function))                        \
  X(UnlhaSetOwnerWindow, "UnlhaSetOwnerWindow", BOOL, (HWND window), (window))                                 \
  X(UnlhaClearOwnerWindow, "UnlhaClearOwnerWindow", BOOL, (), ())

// One typed entry per function, named after its export. Every entry always
// holds a callable function.
struct TUnlhaTable {
#define DV_UNLHA_TABLE_FIELD(name, stubName, Result, parameters, arguments) Result(WINAPI* name) parameters;
  DV_UNLHA_FUNCTIONS(DV_UNLHA_TABLE_FIELD)
#undef DV_UNLHA_TABLE_FIELD
};

// The table, read-only outside this unit.
const TUnlhaTable& UnlhaTable();
// True once the library was loaded and every name was looked up.
bool UnlhaLoaded();
// The library while it is loaded; null otherwise.
HMODULE UnlhaLibrary();

// What every stub calls: a box without owner, "<name>: LHA.DLL not loaded.",
// captioned "PANIC!!", with the error icon and an OK button.
void ReportNotLoaded(const char* name);

// Module set-up and tear-down. They run by themselves at process start and
// end; tests call them again because their process cannot restart. Set-up
// tears down first, so it never holds the library twice; tear-down puts the
// stubs back before it releases the library.
void UnlhaTableSetUp();
void UnlhaTableTearDown();
