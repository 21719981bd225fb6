// The RAR driver over UNRAR32.DLL: extraction only among the command
// operations.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"

class TRar32 : public TFamilyArchiver {
  friend class TArchiver;

 public:
  // Word -e (x = 0: without folders) or -x.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;

 protected:
  TRar32() = default;
  TDriverUnit& ListingUnit() const override;
};

TSingleLibraryUnit& RarUnit();
bool IsRarArchive(const std::string& fileName);
