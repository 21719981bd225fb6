// The 7z driver over 7-ZIP32.DLL: extracts, creates and updates 7z archives
// and deletes from them; no self-extractors.
#pragma once

#include <span>
#include <string>

#include "drivers/FamilyArchiver.h"

class TSevenZip32 : public TFamilyArchiver {
  friend class TArchiver;

 public:
  // Word e (x = 0: without folders) or x; -aoa when c = 1, else -aos; -y.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  // Word a; -mx=N from jm (0 to 9); -y.
  int Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
           const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
           std::string& output) override;
  // Word d; -y.
  int RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                 std::string& output) override;
  // Word u; -mx=N as for Pack; -y.
  int Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;

 protected:
  TSevenZip32() = default;
  TDriverUnit& ListingUnit() const override;

 private:
  int Run(const std::string& word, std::span<const TCommandPiece> pieces, HWND ownerWindow,
          const TCommandRequest& request, std::string& output);
};

TSingleLibraryUnit& SevenZipUnit();
bool IsSevenZipArchive(const std::string& fileName);
