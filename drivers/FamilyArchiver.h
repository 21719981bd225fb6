// The slots every driver of the family fills the same way: load, release,
// list, check and owner window, against the driver's unit.
#pragma once

#include "archives/Archiver.h"
#include "drivers/DriverUnit.h"

class TFamilyArchiver : public TArchiver {
 public:
  void LoadDLL() override;
  void FreeDLL() override;
  HARC OpenArchive(HWND ownerWindow, const std::string& archiveName, DWORD mode) override;
  int FindFirst(HARC archive, ENTRYINFO* entry, const std::string& wildcard) override;
  int FindNext(HARC archive, ENTRYINFO* entry) override;
  int CloseArchive(HARC archive) override;
  // The library gets the two mode parts added together.
  int CheckArchive(const std::string& fileName, int modePartOne, int modePartTwo) override;
  // The window is kept whatever the library answers; the answer is returned.
  bool SetOwnerWindow(HWND window, void* procedure) override;
  bool KillOwnerWindow(HWND window) override;

 protected:
  TFamilyArchiver() = default;
  // The unit whose library lists, checks and takes the owner window.
  virtual TDriverUnit& ListingUnit() const = 0;
};
