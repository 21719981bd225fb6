// The LHA function table: every function UNLHA32.DLL exports, bound late at
// process start. Each entry starts as a stub that reports the missing library
// and returns 0; set-up replaces it with the library's own function when the
// library loads and exports the name. The library stays loaded until the
// process ends.
#pragma once

#include "contract/LibraryFunctions.h"

// One typed entry per function, named after its export. Every entry always
// holds a callable function.
struct TUnlhaTable {
#define DV_UNLHA_TABLE_FIELD(name, stubName, Result, parameters, arguments) Result(WINAPI* name) parameters;
  DV_UNLHA_FUNCTIONS(DV_UNLHA_TABLE_FIELD)
#undef DV_UNLHA_TABLE_FIELD
};

// The table, read-only outside this unit.
const TUnlhaTable& UnlhaTable();
// True once the library was loaded and every name was looked up.
bool UnlhaLoaded();
// The library while it is loaded; null otherwise.
HMODULE UnlhaLibrary();

// What every stub calls: a box without owner, "<name>: LHA.DLL not loaded.",
// captioned "PANIC!!", with the error icon and an OK button.
void ReportNotLoaded(const char* name);

// Module set-up and tear-down. They run by themselves at process start and
// end; tests call them again because their process cannot restart. Set-up
// tears down first, so it never holds the library twice; tear-down puts the
// stubs back before it releases the library.
void UnlhaTableSetUp();
void UnlhaTableTearDown();
