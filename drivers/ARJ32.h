// The ARJ driver: lists, extracts and checks through UNARJ32J.DLL; what it
// inherits from the LHA driver (Pack, RemoveItem, Update, MakeSFX) goes
// through UNLHA32.DLL.
#pragma once

#include <string>

#include "drivers/LHA32.h"

class TArj32 : public TLha32 {
  friend class TArchiver;

 public:
  // The LHA switch set with the word x. The flag argument (with ResFileName
  // given) decides the response file; the library gets no owner window.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;

 protected:
  TArj32() = default;
  TDriverUnit& ListingUnit() const override;
};

TSingleLibraryUnit& ArjUnit();
bool IsArjArchive(const std::string& fileName);
