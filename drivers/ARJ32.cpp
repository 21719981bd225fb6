#include "drivers/ARJ32.h"

TSingleLibraryUnit& ArjUnit() {
  static TSingleLibraryUnit unit("UNARJ32J.DLL", "Unarj", "ARJ 形式書庫を扱うには UNARJ32J.DLL が 必要です。");
  return unit;
}

TDriverUnit& TArj32::ListingUnit() const { return ArjUnit(); }

bool IsArjArchive(const std::string& fileName) { return ProbeArchive(ArjUnit(), fileName, true); }
