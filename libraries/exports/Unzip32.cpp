// UNZIP32.DLL: ZIP archives and their self-extractors.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(UnZip, dv::CommandLanguage::kUnzip, dv::Format::kZip);
DV_LISTING_EXPORTS(UnZip, dv::Format::kZip);
DV_OWNER_EXPORTS(UnZip);
