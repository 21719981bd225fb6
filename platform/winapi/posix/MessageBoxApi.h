// MessageBoxA by its Windows name. The forms layer draws it; tests replace the
// handler so that no box is ever shown or waited for.
#pragma once

#include <functional>

#include "contract/WinTypes.h"

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONHAND = MB_ICONERROR;
constexpr int IDOK = 1;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

using MessageBoxHandler = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;
// Installs the handler that shows boxes; returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
// A box where there is no screen: "caption: text" on the error stream.
int MessageBoxToStandardError(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
