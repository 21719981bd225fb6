// UNRAR32.DLL: RAR 4 and RAR 5 archives and their self-extractors.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(Unrar, dv::CommandLanguage::kRar, dv::Format::kRar);
DV_LISTING_EXPORTS(Unrar, dv::Format::kRar);
DV_OWNER_EXPORTS(Unrar);
