#include "drivers/RAR32.h"

TSingleLibraryUnit& RarUnit() {
  static TSingleLibraryUnit unit("UNRAR32.DLL", "Unrar", "この機能の使用には UNRAR32.DLL が 必要です。");
  return unit;
}

TDriverUnit& TRar32::ListingUnit() const { return RarUnit(); }

bool IsRarArchive(const std::string& fileName) { return ProbeArchive(RarUnit(), fileName, true); }
