// <windows.h> for our Win32 files, without the macros that would rename our
// own routines of the same names (DeleteFile, MoveFile) in any file that
// includes both.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DeleteFile
#undef MoveFile
#undef CreateFile
#undef FindFirstFile
#undef FindNextFile
