#include "drivers/TAR32.h"

#include <exception>

TSingleLibraryUnit& TarUnit() {
  static TSingleLibraryUnit unit("tar32.dll", "Tar", "tar/tgz/taz/bz2 形式書庫を扱うには tar32.dll が 必要です。");
  return unit;
}

TDriverUnit& TTar32::ListingUnit() const { return TarUnit(); }

TArchiverType TarArchiveType(const std::string& fileName) {
  try {
    TarUnit().Load();
    switch (TarUnit().GetArchiveType(fileName)) {
      case 1: return atTar;
      case 2: case 3: case 4: case 5: return atTgz;
      case 6: case 7: return atBZ2;
      default: return atNone;
    }
  } catch (const std::exception&) {
    return atNone;
  }
}
