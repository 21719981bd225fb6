// The Windows types the subsystems and the libraries' functions are written
// against, sized for this platform: handles that must hold a pointer are
// pointer-sized.
#pragma once

#include <cstdint>

struct HWND__;
using HWND = HWND__*;          // a window of platform/forms
using HMODULE = void*;         // a loaded shared library
using HANDLE = void*;          // a kernel object (named mutex)
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

// The calling convention of every Windows library's exports (it differs from
// the default on 32-bit x86 alone); nothing to say elsewhere.
#ifndef WINAPI
#ifdef _WIN32
#define WINAPI __stdcall
#else
#define WINAPI
#endif
#endif
