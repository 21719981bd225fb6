// UNLHA32.DLL: LHA/LZH archives of every header level, and their
// self-extractors. It exports the LHA function table, every name of it
// generated from the table itself, and the family's owner-window pair.
#include "libraries/core/api/Exports.h"
#include "libraries/core/api/UnlhaFunctions.h"

#define DV_UNLHA_EXPORT(name, stubName, Result, parameters, arguments) \
  DV_EXPORT Result WINAPI name parameters { return dv::unlha::name arguments; }
DV_UNLHA_FUNCTIONS(DV_UNLHA_EXPORT)
#undef DV_UNLHA_EXPORT

static_assert(std::is_same_v<decltype(&Unlha), ArcCommandFn>);
DV_LISTING_TYPES(Unlha);
DV_OWNER_EXPORTS(Unlha);
