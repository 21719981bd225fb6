#include "archives/DetectArchiverType.h"

#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/LHA32.h"
#include "drivers/RAR32.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"
#include "platform/rtl/Ansi.h"

namespace {
struct ExtensionRow {
  const char* extension;
  TArchiverType type;
};

const ExtensionRow kExtensions[] = {
    {".z", atTgz},   {".gz", atTgz},  {".tgz", atTgz}, {".taz", atTgz}, {".tar", atTar}, {".bz2", atBZ2},
    {".rar", atRar}, {".arj", atArj}, {".zip", atZip}, {".cab", atCab}, {".lzh", atLha},
};

// Every probe runs, in this order; a later yes overrides an earlier answer,
// so LHA is strongest and the tar library's own code weakest.
TArchiverType DetectByContent(const std::string& fileName) {
  TArchiverType result = TarArchiveType(fileName);
  if (IsRarArchive(fileName)) result = atRar;
  if (IsArjArchive(fileName)) result = atArj;
  if (IsCabArchive(fileName)) result = atCab;
  if (IsZipArchive(fileName)) result = atZip;
  if (IsLhaArchive(fileName)) result = atLha;
  return result;
}
}  // namespace

TArchiverType DetectArchiverType(const std::string& fileName, bool byExtension) {
  if (!byExtension) return DetectByContent(fileName);
  const std::string extension = ExtractFileExt(fileName);
  if (SameText(extension, ".exe")) return DetectByContent(fileName);
  TArchiverType result = atNone;
  for (const ExtensionRow& row : kExtensions)
    if (SameText(extension, row.extension)) result = row.type;
  return result;
}
