#include "archives/DetectArchiverType.h"

#include "drivers/DriverTable.h"
#include "platform/rtl/Ansi.h"

namespace {
// Every probe runs, in the table's order; a later yes overrides an earlier
// answer.
TArchiverType DetectByContent(const std::string& fileName) {
  TArchiverType result = atNone;
  for (const TDriverRow& row : DriverTable())
    if (const TArchiverType type = row.probe(fileName); type != atNone) result = type;
  return result;
}
}  // namespace

TArchiverType DetectArchiverType(const std::string& fileName, bool byExtension) {
  if (!byExtension) return DetectByContent(fileName);
  const std::string extension = ExtractFileExt(fileName);
  if (SameText(extension, ".exe")) return DetectByContent(fileName);
  TArchiverType result = atNone;
  for (const TDriverRow& row : DriverTable())
    for (const TDriverExtension& known : row.extensions)
      if (SameText(extension, known.extension)) result = known.type;
  return result;
}
