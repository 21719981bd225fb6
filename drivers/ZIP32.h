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
  // Only the first mode part reaches the library.
  int CheckArchive(const std::string& fileName, int modePartOne, int modePartTwo) override;
  // These report true whatever the library answers.
  bool SetOwnerWindow(HWND window, void* procedure) override;
  bool KillOwnerWindow(HWND window) override;

 protected:
  TZip32() = default;
  TDriverUnit& ListingUnit() const override;
};

TZipUnit& ZipUnit();
bool IsZipArchive(const std::string& fileName);
