// The ARJ driver: lists, extracts and checks through UNARJ32J.DLL; what it
// inherits from the LHA driver goes through UNLHA32.DLL.
#pragma once

#include <string>

#include "drivers/LHA32.h"

class TArj32 : public TLha32 {
  friend class TArchiver;

 protected:
  TArj32() = default;
  TDriverUnit& ListingUnit() const override;
};

TSingleLibraryUnit& ArjUnit();
bool IsArjArchive(const std::string& fileName);
