// Included by platform/winapi/Window.h: the system's windows, and what a
// program written for both word sizes needs beside them.
#pragma once

#include "contract/WinTypes.h"

// 64-bit Windows names the slot by its pointer-sized index only.
#ifndef GWL_WNDPROC
#define GWL_WNDPROC GWLP_WNDPROC
#endif

// A procedure as a slot holds it.
inline LRESULT CallWindowProcA(LONG_PTR procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure == 0 ? 0 : ::CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), window, message, wParam, lParam);
}
