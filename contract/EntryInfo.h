// The record an archiver library fills for one entry during a listing, the
// handle of an open listing and the mode a type probe opens with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/WinTypes.h"

#pragma pack(push, 1)
struct ENTRYINFO {
  std::uint32_t dwOriginalSize;  // uncompressed size
  std::uint32_t dwCompressedSize;
  std::uint32_t dwCRC;
  std::uint32_t uFlag;
  std::uint32_t uOSType;
  std::uint16_t wRatio;  // per mille
  std::uint16_t wDate;   // DOS date, local time
  std::uint16_t wTime;   // DOS time, local time
  char szFileName[513];  // ANSI, NUL-terminated
  char dummy1[3];
  char szAttribute[8];
  char szMode[8];  // method text, e.g. "-lh5-"
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
