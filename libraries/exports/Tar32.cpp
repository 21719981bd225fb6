// tar32.dll: tar, tar.gz, tar.Z and tar.bz2, and plain .gz, .Z and .bz2
// files (listed as their one compressed file).
#include "libraries/core/api/Exports.h"

DV_COMMAND_EXPORT(Tar, dv::CommandLanguage::kTar, dv::Format::kTar);
DV_LISTING_EXPORTS(Tar, dv::Format::kTar);
DV_OWNER_EXPORTS(Tar);

DV_EXPORT int WINAPI TarGetArchiveType(LPCSTR path) { return dv::GetTarArchiveType(path); }
static_assert(std::is_same_v<decltype(&TarGetArchiveType), ArcGetArchiveTypeFn>);
