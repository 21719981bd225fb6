// The record an archiver library fills for one entry during a listing, and the
// functions every library of the family exports. This header is the whole
// contract between the archive layer and the libraries in libraries/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/winapi/WinTypes.h"

#pragma pack(push, 1)
struct ENTRYINFO {
  std::uint32_t dwOriginalSize;    // uncompressed size
  std::uint32_t dwCompressedSize;
  std::uint32_t dwCRC;
  std::uint32_t uFlag;
  std::uint32_t uOSType;
  std::uint16_t wRatio;            // per mille
  std::uint16_t wDate;             // DOS date, local time
  std::uint16_t wTime;             // DOS time, local time
  char szFileName[513];            // ANSI, NUL-terminated
  char dummy1[3];
  char szAttribute[8];
  char szMode[8];                  // method text, e.g. "-lh5-"
};
#pragma pack(pop)

static_assert(sizeof(ENTRYINFO) == 558);
static_assert(offsetof(ENTRYINFO, wDate) == 22);
static_assert(offsetof(ENTRYINFO, wTime) == 24);
static_assert(offsetof(ENTRYINFO, szFileName) == 26);
static_assert(offsetof(ENTRYINFO, dummy1) == 539);
static_assert(offsetof(ENTRYINFO, szAttribute) == 542);
static_assert(offsetof(ENTRYINFO, szMode) == 550);

// Archive handle of an open listing; 0 means "not opened".
using HARC = std::uintptr_t;

// Mode a type probe opens with: look only, touch nothing.
constexpr DWORD kProbeOpenMode = 0x00800002;

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
