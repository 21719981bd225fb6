// The functions the archiver libraries export, as their callers type them:
// the family's listing and command functions, and UNLHA32.DLL's whole
// function table. The program's drivers, the libraries' own export files,
// the fakes, the tests and the fuzzers all hold their functions to these.
#pragma once

#include "contract/EntryInfo.h"
#include "contract/WinTypes.h"

extern "C" {
using ArcCommandFn = int WINAPI (*)(HWND window, LPCSTR commandLine, LPSTR output, DWORD size);
using ArcOpenArchiveFn = HARC WINAPI (*)(HWND window, LPCSTR archivePath, DWORD mode);
using ArcCloseArchiveFn = int WINAPI (*)(HARC archive);
using ArcFindFirstFn = int WINAPI (*)(HARC archive, LPCSTR wildcard, ENTRYINFO* entry);
using ArcFindNextFn = int WINAPI (*)(HARC archive, ENTRYINFO* entry);
using ArcCheckArchiveFn = int WINAPI (*)(LPCSTR archivePath, int mode);
using ArcSetOwnerWindowExFn = BOOL WINAPI (*)(HWND window, void* procedure);
using ArcKillOwnerWindowExFn = BOOL WINAPI (*)(HWND window);
using ArcGetArchiveTypeFn = int WINAPI (*)(LPCSTR archivePath);
}

// UNLHA32.DLL's function table, in its order: X(exported name, stub's name in its message,
// result, parameters, arguments). Generate code from it rather than copying
// it. Twice the stub's name is spelt differently from the export; the box
// texts keep those spellings.
#define DV_UNLHA_FUNCTIONS(X)                                                                                         \
  X(UnlhaGetVersion, "UnlhaGetVersion", WORD, (), ())                                                                 \
  X(UnlhaGetSubVersion, "UnlhaGetSubVersion", WORD, (), ())                                                           \
  X(UnlhaGetRunning, "UnlhaGetRunning", BOOL, (), ())                                                                 \
  X(UnlhaGetBackGroundMode, "UnlhaGetBackGroundMode", BOOL, (), ())                                                   \
  X(UnlhaSetBackGroundMode, "UnlhaSetBackGroundMode", BOOL, (BOOL backGroundMode), (backGroundMode))                  \
  X(UnlhaGetCursorMode, "UnlhaGetCursorMode", BOOL, (), ())                                                           \
  X(UnlhaSetCursorMode, "UnlhaSetCursorMode", BOOL, (BOOL cursorMode), (cursorMode))                                  \
  X(UnlhaGetCursorInterval, "UnlhaGetCursorInterval", WORD, (), ())                                                   \
  X(UnlhaSetCursorInterval, "UnlhaSetCursorInterval", BOOL, (WORD interval), (interval))                              \
  X(Unlha, "Unlha", int, (HWND window, LPCSTR commandLine, LPSTR output, DWORD size),                                 \
    (window, commandLine, output, size))                                                                              \
  X(UnlhaCheckArchive, "UnlhaCheckArchive", BOOL, (LPCSTR archivePath, int mode), (archivePath, mode))                \
  X(UnlhaConfigDialog, "UnlhaConfigDialog", BOOL, (HWND window, LPSTR options, int mode), (window, options, mode))    \
  X(UnlhaGetFileCount, "UnlhaGetFileCount", int, (LPCSTR archivePath), (archivePath))                                 \
  X(UnlhaOpenArchive, "UnlhaOpenArchive", HARC, (HWND window, LPCSTR archivePath, DWORD mode),                        \
    (window, archivePath, mode))                                                                                      \
  X(UnlhaCloseArchive, "UnlhaCloseArchive", int, (HARC archive), (archive))                                           \
  X(UnlhaFindFirst, "UnlhaFindFirst", int, (HARC archive, LPCSTR wildcard, ENTRYINFO * entry),                        \
    (archive, wildcard, entry))                                                                                       \
  X(UnlhaFindNext, "UnlhaFindNext", int, (HARC archive, ENTRYINFO * entry), (archive, entry))                         \
  X(UnlhaGetArcFileName, "UnlhaGetArcFileName", int, (HARC archive, LPSTR buffer, int size), (archive, buffer, size)) \
  X(UnlhaGetArcFileSize, "UnlhaGetArcFileSize", DWORD, (HARC archive), (archive))                                     \
  X(UnlhaGetArcOriginalSize, "UnlhaGetArcOriginalSize", DWORD, (HARC archive), (archive))                             \
  X(UnlhaGetArcCompressedSize, "UnlhaGetArcCompessedSize", DWORD, (HARC archive), (archive))                          \
  X(UnlhaGetArcRatio, "UnlhaGetArcRatio", WORD, (HARC archive), (archive))                                            \
  X(UnlhaGetArcDate, "UnlhaGetArcDate", WORD, (HARC archive), (archive))                                              \
  X(UnlhaGetArcTime, "UnlhaGetArcTime", WORD, (HARC archive), (archive))                                              \
  X(UnlhaGetArcOSType, "UnlhaGetArcOSType", UINT, (HARC archive), (archive))                                          \
  X(UnlhaGetFileName, "UnlhaGetFileName", int, (HARC archive, LPSTR buffer, int size), (archive, buffer, size))       \
  X(UnlhaGetMethod, "UnlhaGetMethod", int, (HARC archive, LPSTR buffer, int size), (archive, buffer, size))           \
  X(UnlhaGetOriginalSize, "UnlhaGetOriginalSize", DWORD, (HARC archive), (archive))                                   \
  X(UnlhaGetCompressedSize, "UnlhaGetCompressedSize", DWORD, (HARC archive), (archive))                               \
  X(UnlhaGetRatio, "UnlhaGetRatio", WORD, (HARC archive), (archive))                                                  \
  X(UnlhaGetDate, "UnlhaGetDate", WORD, (HARC archive), (archive))                                                    \
  X(UnlhaGetTime, "UnlhaGetTime", WORD, (HARC archive), (archive))                                                    \
  X(UnlhaGetWriteTime, "UnlhaGetWriteTime", DWORD, (HARC archive), (archive))                                         \
  X(UnlhaGetAccessTime, "UnlhaGetAcessTime", DWORD, (HARC archive), (archive))                                        \
  X(UnlhaGetCreateTime, "UnlhaGetCreateTime", DWORD, (HARC archive), (archive))                                       \
  X(UnlhaGetCRC, "UnlhaGetCRC", DWORD, (HARC archive), (archive))                                                     \
  X(UnlhaGetAttribute, "UnlhaGetAttribute", int, (HARC archive), (archive))                                           \
  X(UnlhaGetOSType, "UnlhaGetOSType", UINT, (HARC archive), (archive))                                                \
  X(UnlhaQueryFunctionList, "UnlhaQueryFunctionList", BOOL, (int function), (function))                               \
  X(UnlhaSetOwnerWindow, "UnlhaSetOwnerWindow", BOOL, (HWND window), (window))                                        \
  X(UnlhaClearOwnerWindow, "UnlhaClearOwnerWindow", BOOL, (), ())
