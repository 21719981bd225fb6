// Defines a library's exported functions by forwarding to the core. Each
// library's export file uses these with its own names and format; the
// static_asserts hold every export to the contract's function types.
#pragma once

#include <type_traits>

#include "contract/LibraryFunctions.h"
#include "libraries/core/api/FamilyFunctions.h"

#define DV_EXPORT extern "C" __attribute__((visibility("default")))

// The command function `NAME`, running lines of LANGUAGE (a
// dv::CommandLanguage) on FORMAT (a dv::Format).
#define DV_COMMAND_EXPORT(NAME, LANGUAGE, FORMAT)                          \
  DV_EXPORT int WINAPI NAME(HWND, LPCSTR line, LPSTR output, DWORD size) { \
    return dv::RunCommand(LANGUAGE, FORMAT, line, output, size);           \
  }                                                                        \
  static_assert(std::is_same_v<decltype(&NAME), ArcCommandFn>)

// Holds PREFIX's listing functions, defined by any means, to the contract.
#define DV_LISTING_TYPES(PREFIX)                                                     \
  static_assert(std::is_same_v<decltype(&PREFIX##OpenArchive), ArcOpenArchiveFn>);   \
  static_assert(std::is_same_v<decltype(&PREFIX##CloseArchive), ArcCloseArchiveFn>); \
  static_assert(std::is_same_v<decltype(&PREFIX##FindFirst), ArcFindFirstFn>);       \
  static_assert(std::is_same_v<decltype(&PREFIX##FindNext), ArcFindNextFn>);         \
  static_assert(std::is_same_v<decltype(&PREFIX##CheckArchive), ArcCheckArchiveFn>)

// PREFIX##OpenArchive, CloseArchive, FindFirst, FindNext and CheckArchive,
// reading FORMAT (a dv::Format).
#define DV_LISTING_EXPORTS(PREFIX, FORMAT)                                                                       \
  DV_EXPORT HARC WINAPI PREFIX##OpenArchive(HWND, LPCSTR path, DWORD) { return dv::OpenArchive(path, FORMAT); }  \
  DV_EXPORT int WINAPI PREFIX##CloseArchive(HARC archive) { return dv::CloseArchive(archive); }                  \
  DV_EXPORT int WINAPI PREFIX##FindFirst(HARC archive, LPCSTR wildcard, ENTRYINFO* entry) {                      \
    return dv::FindFirst(archive, wildcard, entry);                                                              \
  }                                                                                                              \
  DV_EXPORT int WINAPI PREFIX##FindNext(HARC archive, ENTRYINFO* entry) { return dv::FindNext(archive, entry); } \
  DV_EXPORT int WINAPI PREFIX##CheckArchive(LPCSTR path, int) { return dv::CheckArchive(path, FORMAT); }         \
  DV_LISTING_TYPES(PREFIX)

// PREFIX##SetOwnerWindowEx and PREFIX##KillOwnerWindowEx.
#define DV_OWNER_EXPORTS(PREFIX)                                                                            \
  DV_EXPORT BOOL WINAPI PREFIX##SetOwnerWindowEx(HWND window, void*) { return dv::SetOwnerWindow(window); } \
  DV_EXPORT BOOL WINAPI PREFIX##KillOwnerWindowEx(HWND window) { return dv::KillOwnerWindow(window); }      \
  static_assert(std::is_same_v<decltype(&PREFIX##SetOwnerWindowEx), ArcSetOwnerWindowExFn>);                \
  static_assert(std::is_same_v<decltype(&PREFIX##KillOwnerWindowEx), ArcKillOwnerWindowExFn>)
