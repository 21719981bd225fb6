// UNLHA32.DLL: LHA/LZH archives of every header level, and their self-extractors.
#include "libraries/core/Exports.h"

DV_COMMAND_EXPORT(Unlha);
DV_LISTING_EXPORTS(Unlha, dv::Format::kLha);
DV_OWNER_EXPORTS(Unlha);
