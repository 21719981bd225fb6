// UNLHA32.DLL's whole function table (contract/LibraryFunctions.h names every
// function with its result and parameters), one definition per name here,
// exported under the same name by exports/Unlha32.cpp.
//
// - Version 1.00 (UnlhaGetVersion 100), sub-version 1.
// - UnlhaGetRunning is TRUE while a command of the library runs.
// - The background mode, cursor mode and cursor interval (80 ms at load)
//   are kept for the library's lifetime; setting one answers TRUE.
// - UnlhaConfigDialog shows nothing: it answers kErrorNotSupported.
// - UnlhaQueryFunctionList(n) numbers the table from 1 in its order (1
//   UnlhaGetVersion, ..., 41 UnlhaClearOwnerWindow): TRUE for every function
//   but UnlhaConfigDialog, FALSE for it and for numbers outside the table.
// - UnlhaGetFileCount: the entries a listing shows (up to a damaged header);
//   -1 when the file does not open as LHA.
// - The UnlhaGetArc... queries answer about the archive of an open handle;
//   the other queries about the entry UnlhaFindFirst or UnlhaFindNext found
//   last on it. Sizes clamp to 32 bits; times are the seconds since 1970
//   (UTC); UnlhaGetAttribute gives DOS bits (0x01 read-only, 0x10 folder,
//   0x20 file); the OS codes are LhaOsType's. A query that cannot be
//   answered (no such handle, no current entry, a value the archive does
//   not hold, a buffer too small for the text and its terminator) answers
//   -1, or 0 for WORD and BOOL results, and leaves a buffer untouched. The
//   text queries answer 0 when they filled the buffer.
#pragma once

#include "contract/LibraryFunctions.h"

namespace dv::unlha {

#define DV_UNLHA_DECLARE(name, stubName, Result, parameters, arguments) Result name parameters;
DV_UNLHA_FUNCTIONS(DV_UNLHA_DECLARE)
#undef DV_UNLHA_DECLARE

}  // namespace dv::unlha
