// The LHA driver over UNLHA32.DLL.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"

class TLha32 : public TFamilyArchiver {
  friend class TArchiver;

 protected:
  TLha32() = default;
  TDriverUnit& ListingUnit() const override;
};

TSingleLibraryUnit& LhaUnit();
bool IsLhaArchive(const std::string& fileName);
