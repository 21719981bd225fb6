// CAB32.DLL: Microsoft cabinet files and their self-extractors.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(Cab, dv::CommandLanguage::kCab, dv::Format::kCab);
DV_LISTING_EXPORTS(Cab, dv::Format::kCab);
DV_OWNER_EXPORTS(Cab);
