// UNARJ32J.DLL: ARJ archives and their self-extractors, read by our own reader.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(Unarj, dv::CommandLanguage::kLha, dv::Format::kArj);
DV_LISTING_EXPORTS(Unarj, dv::Format::kArj);
DV_OWNER_EXPORTS(Unarj);
