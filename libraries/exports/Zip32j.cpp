// ZIP32J.DLL: the ZIP maker. It also carries UNZIP32's listing functions so
// ZIP archives list when it is the only ZIP library present.
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(Zip, dv::CommandLanguage::kZip, dv::Format::kZip);
DV_LISTING_EXPORTS(UnZip, dv::Format::kZip);
DV_OWNER_EXPORTS(Zip);
