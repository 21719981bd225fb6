// LMZIP32.DLL: ZIP archives, under names spelt with a lower-case z ("Unzip"),
// plus the maker's "Zip" command.
#include "libraries/core/Exports.h"

DV_COMMAND_EXPORT(Unzip);
DV_COMMAND_EXPORT(Zip);
DV_LISTING_EXPORTS(Unzip, dv::Format::kZip);
DV_OWNER_EXPORTS(Unzip);
