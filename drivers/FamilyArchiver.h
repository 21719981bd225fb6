// The slots every driver of the family fills the same way: load, release,
// list, check and owner window, against the driver's unit.
#pragma once

#include <span>
#include <string>

#include "drivers/CommandPieces.h"
#include "drivers/DriverUnit.h"
#include "drivers/base/Archiver.h"
#include "drivers/base/CmdOpt.h"

// What one command operation works on, as its slot was handed it: the
// archive, the option set, the base directory, the file list (or none) and
// whether it goes by a response file (already decided by the driver).
struct TCommandRequest {
  std::string archiveName;
  const TArchiverOptions& options;
  std::string baseDirectory;
  const TStringList* files;
  bool useResponseFile;
};

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

  // How every command line but tar's ends: UserOptions as given, the archive
  // name, the base directory, the file list (or its response file) and
  // UserFileList.
  void AddCommonTail(TCmdOpt& builder, const TCommandRequest& request) const;
  // The word, then the table's pieces that apply, then the common tail; file
  // names pass through `nameFilter` when one is given.
  std::string MakePieceLine(const std::string& word, std::span<const TCommandPiece> pieces,
                            TCmdOpt::TNameFilter nameFilter, const TCommandRequest& request) const;
  // Runs CommandLine through one of the unit's command functions.
  int RunCommandLine(TDriverUnit& unit, TEntry which, HWND window, std::string& output) const;
};
