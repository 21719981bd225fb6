#include "drivers/LHA32.h"

TSingleLibraryUnit& LhaUnit() {
  static TSingleLibraryUnit unit("UNLHA32.DLL", "Unlha", "Lha 形式書庫を扱うには UNLHA32.DLL が 必要です。");
  return unit;
}

TDriverUnit& TLha32::ListingUnit() const { return LhaUnit(); }

bool IsLhaArchive(const std::string& fileName) { return ProbeArchive(LhaUnit(), fileName, true); }
