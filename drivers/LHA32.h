// The LHA driver over UNLHA32.DLL, with the full LHA switch set.
#pragma once

#include <string>

#include "drivers/FamilyArchiver.h"

class TLha32 : public TFamilyArchiver {
  friend class TArchiver;

 public:
  // Words x, u, d, f, s; ResFileUsage decides the response file, not the
  // flag argument. All run through UNLHA32.DLL, also for TArj32.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  int Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
           const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
           std::string& output) override;
  // Never carries a base directory.
  int RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                 std::string& output) override;
  int Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  // Never carries file names.
  int MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& directory, std::string& output) override;

 protected:
  TLha32() = default;
  TDriverUnit& ListingUnit() const override;

  // The command word, every LHA switch the options give (n forced to 1 while
  // an owner window is registered), then the common tail.
  std::string MakeCommandLine(const std::string& word, const TCommandRequest& request) const;

 private:
  int Run(const std::string& word, HWND ownerWindow, const TCommandRequest& request, std::string& output);
};

TSingleLibraryUnit& LhaUnit();
bool IsLhaArchive(const std::string& fileName);
