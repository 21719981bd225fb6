#include "drivers/CAB32.h"

TSingleLibraryUnit& CabUnit() {
  static TSingleLibraryUnit unit("CAB32.DLL", "Cab", "CAB 形式書庫を扱うには CAB32.DLL が 必要です。");
  return unit;
}

TDriverUnit& TCab32::ListingUnit() const { return CabUnit(); }

bool IsCabArchive(const std::string& fileName) { return ProbeArchive(CabUnit(), fileName, true); }
