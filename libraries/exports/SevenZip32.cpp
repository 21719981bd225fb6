// 7-ZIP32.DLL: 7z archives and their self-extractors.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(SevenZip, dv::CommandLanguage::kSevenZip, dv::Format::kSevenZip);
DV_LISTING_EXPORTS(SevenZip, dv::Format::kSevenZip);
DV_OWNER_EXPORTS(SevenZip);
