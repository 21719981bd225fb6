// <windows.h> for our Win32 files, without the macros that would rename our
// own routines of the same names (DeleteFile, MoveFile) in any file that
// includes both: the system's types as the whole program takes them.
#pragma once

#include "contract/WinTypes.h"
