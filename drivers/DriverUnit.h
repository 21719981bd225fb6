// What every driver unit shares: its library state (handle and a cache of
// entry addresses, process-wide), the wrappers that load, look up and call,
// and the probe used by type detection. Written once; each unit supplies
// names, messages and, for ZIP, its own library choice.
#pragma once

#include <string>

#include "contract/EntryInfo.h"

// Entry points of a unit, in cache order. SecondCommand is ZIP's UnZip.
enum class TEntry {
  Command,
  OpenArchive,
  CloseArchive,
  FindFirst,
  FindNext,
  CheckArchive,
  SetOwnerWindowEx,
  KillOwnerWindowEx,
  GetArchiveType,
  SecondCommand,
};
constexpr int kEntryCount = 10;

class TDriverUnit {
 public:
  virtual ~TDriverUnit() = default;

  // The load routine: raises EArchiver with the unit's message when nothing loads.
  virtual void Load() = 0;
  // The release routine: forgets every entry and frees the library.
  virtual void Release() = 0;

  // Wrappers, one per entry point.
  int Command(TEntry which, HWND window, const std::string& commandLine, std::string& output);
  HARC OpenArchive(HWND window, const std::string& path, DWORD mode);
  int CloseArchive(HARC archive);
  int FindFirst(HARC archive, const std::string& wildcard, ENTRYINFO* entry);
  int FindNext(HARC archive, ENTRYINFO* entry);
  int CheckArchive(const std::string& path, int mode);
  BOOL SetOwnerWindowEx(HWND window, void* procedure);
  BOOL KillOwnerWindowEx(HWND window);
  int GetArchiveType(const std::string& path);

  // True when the cache holds the entry (for tests of the cache).
  bool IsCached(TEntry entry) const { return cache_[static_cast<int>(entry)] != nullptr; }

 protected:
  // Looks an entry up; raises when it is missing. Called only while the
  // cache slot is empty.
  virtual void* Resolve(TEntry entry) = 0;
  void ForgetEntries();

 private:
  // The cached address, loading the library first for the entries that do.
  void* Address(TEntry entry);

  void* cache_[kEntryCount] = {};
};

// A unit over one library: LHA, CAB, ARJ, TAR, RAR.
class TSingleLibraryUnit : public TDriverUnit {
 public:
  TSingleLibraryUnit(const char* libraryName, const char* prefix, const char* missingLibraryMessage);

  void Load() override;
  void Release() override;
  HMODULE Handle() const { return handle_; }

 protected:
  void* Resolve(TEntry entry) override;

 private:
  const char* libraryName_;
  const char* prefix_;
  const char* missingLibraryMessage_;
  HMODULE handle_ = nullptr;
};

// The suffix joined to a unit's prefix for an entry ("OpenArchive"...).
const char* EntrySuffix(TEntry entry);

// The probe of type detection: true when the unit's library opens the file.
// Never raises. `closeZeroHandle`: whether a failed open is closed too.
bool ProbeArchive(TDriverUnit& unit, const std::string& fileName, bool closeZeroHandle);
