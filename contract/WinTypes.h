// The Windows types the subsystems and the libraries' functions are written
// against, sized for this platform: handles that must hold a pointer are
// pointer-sized.
#pragma once

// On Windows they are the system's own.
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The system's names for its A and W pairs would rename routines of ours.
#undef DeleteFile
#undef MoveFile
#undef CreateFile
#undef FindFirstFile
#undef FindNextFile
#undef MessageBox
#undef RGB
#else

#include <cstdint>

struct HWND__;
using HWND = HWND__*;   // a window of platform/forms
using HMODULE = void*;  // a loaded shared library
using HANDLE = void*;   // a kernel object (named mutex)
using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG = std::int32_t;
using LONG_PTR = std::intptr_t;  // a window-procedure slot holds a pointer
using LPCSTR = const char*;
using LPSTR = char*;
using FARPROC = void (*)();

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// The calling convention of the libraries' exports: the only one on the
// systems other than Windows (whose headers define it).
#define WINAPI
#endif
