// LMZIP32.DLL: ZIP archives, under names spelt with a lower-case z ("Unzip"),
// plus the maker's "Zip" command.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(Unzip, dv::CommandLanguage::kUnzip, dv::Format::kZip);
DV_COMMAND_EXPORT(Zip, dv::CommandLanguage::kZip, dv::Format::kZip);
DV_LISTING_EXPORTS(Unzip, dv::Format::kZip);
DV_OWNER_EXPORTS(Unzip);
