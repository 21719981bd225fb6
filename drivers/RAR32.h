// The RAR driver over UNRAR32.DLL.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"

class TRar32 : public TFamilyArchiver {
  friend class TArchiver;

 protected:
  TRar32() = default;
  TDriverUnit& ListingUnit() const override;
};

TSingleLibraryUnit& RarUnit();
bool IsRarArchive(const std::string& fileName);
