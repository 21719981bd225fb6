// The ZIP driver: three libraries at once (UNZIP32.DLL reads, ZIP32J.DLL
// writes, LMZIP32.DLL does both); every entry point asks them in its own order.
#pragma once

#include <initializer_list>
#include <string>

#include "drivers/FamilyArchiver.h"

enum class TZipLibrary { Unzip32, Zip32j, Lmzip32 };

class TZipUnit : public TDriverUnit {
 public:
  void Load() override;
  void Release() override;
  HMODULE Handle(TZipLibrary library) const { return handles_[static_cast<int>(library)]; }

  // The first address found among the loaded libraries, asked in order.
  void* ResolveZipEntry(const std::string& entryName, std::initializer_list<TZipLibrary> order) const;

 protected:
  void* Resolve(TEntry entry) override;

 private:
  HMODULE handles_[3] = {};
};

class TZip32 : public TFamilyArchiver {
  friend class TArchiver;

 public:
  // Command operations; the flag argument decides the response file.
  // Word -x, through UnZip.
  int Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  // Through Zip: ZIP32J.DLL's switch set when it is loaded; otherwise
  // LMZIP32.DLL's with the word -ru and no base directory, while the old
  // archive waits in a private temporary folder, where no name of the line
  // reaches it, until the command has succeeded.
  int Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
           const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
           std::string& output) override;
  // Word -d, never a base directory; through Zip.
  int RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                 std::string& output) override;
  // Word -f; through Zip.
  int Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
             std::string& output) override;
  // Writes sfx32gui.dat (gw > 0) or sfx16.dat and the archive into an
  // executable, then sends "-A" and its name through Zip. Needs ZIP32J.DLL.
  int MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& directory, std::string& output) override;
  // Only the first mode part reaches the library.
  int CheckArchive(const std::string& fileName, int modePartOne, int modePartTwo) override;
  // These report true whatever the library answers.
  bool SetOwnerWindow(HWND window, void* procedure) override;
  bool KillOwnerWindow(HWND window) override;

 protected:
  TZip32() = default;
  TDriverUnit& ListingUnit() const override;

  // The three switch sets, each followed by the common tail.
  std::string MakeUnZipCommandLine(const std::string& word, const TCommandRequest& request) const;
  std::string MakeZipCommandLine(const std::string& word, const TCommandRequest& request) const;
  std::string MakeLmZipCommandLine(const std::string& word, const TCommandRequest& request) const;
  int ExecuteUnZipCommand(HWND ownerWindow, std::string& output);
  int ExecuteZipCommand(HWND ownerWindow, std::string& output);
};

TZipUnit& ZipUnit();
bool IsZipArchive(const std::string& fileName);
// A file name as the ZIP libraries' name patterns take it: "\" becomes "/"
// and "[" becomes "[[]"; a double-byte character is copied whole.
std::string EscapeZipName(const std::string& fileName);
