// The CAB driver over CAB32.DLL.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"

class TCab32 : public TFamilyArchiver {
  friend class TArchiver;

 protected:
  TCab32() = default;
  TDriverUnit& ListingUnit() const override;
};

TSingleLibraryUnit& CabUnit();
bool IsCabArchive(const std::string& fileName);
