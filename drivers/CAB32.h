// The CAB driver over CAB32.DLL: extracts, creates and makes self-extracting
// cabinets; deleting and updating are not supported.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"

class TCab32 : public TFamilyArchiver {
  friend class TArchiver;

 public:
  // Word -x; the archive name is expanded to a full path first.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  // Word -a.
  int Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
           const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
           std::string& output) override;
  // Word -f, no file names.
  int MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& directory, std::string& output) override;

 protected:
  TCab32() = default;
  TDriverUnit& ListingUnit() const override;

 private:
  int Run(const std::string& word, HWND ownerWindow, const TCommandRequest& request, std::string& output);
};

TSingleLibraryUnit& CabUnit();
bool IsCabArchive(const std::string& fileName);
