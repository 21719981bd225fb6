#include "drivers/DriverUnit.h"

#include <exception>

#include "contract/LibraryFunctions.h"
#include "drivers/base/Archiver.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/Translate.h"
#include "platform/winapi/Library.h"

namespace {
// The entries whose wrapper runs the load routine before it looks up.
bool LoadsFirst(TEntry entry) {
  switch (entry) {
    case TEntry::FindNext:
    case TEntry::SetOwnerWindowEx:
    case TEntry::KillOwnerWindowEx: return false;
    default: return true;
  }
}

template <class Fn>
Fn As(void* address) {
  return reinterpret_cast<Fn>(address);
}
}  // namespace

const char* EntrySuffix(TEntry entry) {
  switch (entry) {
    case TEntry::Command:
    case TEntry::SecondCommand: return "";
    case TEntry::OpenArchive: return "OpenArchive";
    case TEntry::CloseArchive: return "CloseArchive";
    case TEntry::FindFirst: return "FindFirst";
    case TEntry::FindNext: return "FindNext";
    case TEntry::CheckArchive: return "CheckArchive";
    case TEntry::SetOwnerWindowEx: return "SetOwnerWindowEx";
    case TEntry::KillOwnerWindowEx: return "KillOwnerWindowEx";
    case TEntry::GetArchiveType: return "GetArchiveType";
  }
  return "";
}

void* TDriverUnit::Address(TEntry entry) {
  if (LoadsFirst(entry)) Load();
  void*& slot = cache_[static_cast<int>(entry)];
  if (slot == nullptr) slot = Resolve(entry);  // a failed look-up leaves it empty
  return slot;
}

void TDriverUnit::ForgetEntries() {
  for (void*& slot : cache_) slot = nullptr;
}

int TDriverUnit::Command(TEntry which, HWND window, const std::string& commandLine, std::string& output) {
  auto function = As<ArcCommandFn>(Address(which));
  // An empty output text means no buffer at all.
  return function(window, commandLine.c_str(), output.empty() ? nullptr : output.data(),
                  static_cast<DWORD>(output.size()));
}

HARC TDriverUnit::OpenArchive(HWND window, const std::string& path, DWORD mode) {
  return As<ArcOpenArchiveFn>(Address(TEntry::OpenArchive))(window, path.c_str(), mode);
}

int TDriverUnit::CloseArchive(HARC archive) { return As<ArcCloseArchiveFn>(Address(TEntry::CloseArchive))(archive); }

int TDriverUnit::FindFirst(HARC archive, const std::string& wildcard, ENTRYINFO* entry) {
  return As<ArcFindFirstFn>(Address(TEntry::FindFirst))(archive, wildcard.c_str(), entry);
}

int TDriverUnit::FindNext(HARC archive, ENTRYINFO* entry) {
  return As<ArcFindNextFn>(Address(TEntry::FindNext))(archive, entry);
}

int TDriverUnit::CheckArchive(const std::string& path, int mode) {
  return As<ArcCheckArchiveFn>(Address(TEntry::CheckArchive))(path.c_str(), mode);
}

BOOL TDriverUnit::SetOwnerWindowEx(HWND window, void* procedure) {
  return As<ArcSetOwnerWindowExFn>(Address(TEntry::SetOwnerWindowEx))(window, procedure) != 0 ? TRUE : FALSE;
}

BOOL TDriverUnit::KillOwnerWindowEx(HWND window) {
  return As<ArcKillOwnerWindowExFn>(Address(TEntry::KillOwnerWindowEx))(window) != 0 ? TRUE : FALSE;
}

int TDriverUnit::GetArchiveType(const std::string& path) {
  return As<ArcGetArchiveTypeFn>(Address(TEntry::GetArchiveType))(path.c_str());
}

TSingleLibraryUnit::TSingleLibraryUnit(const char* libraryName, const char* prefix, const char* missingLibraryMessage)
    : libraryName_(libraryName), prefix_(prefix), missingLibraryMessage_(missingLibraryMessage) {}

void TSingleLibraryUnit::Load() {
  if (handle_ == nullptr) handle_ = LoadLibraryByName(libraryName_);
  if (handle_ == nullptr) throw ELibraryMissing(Translate(missingLibraryMessage_));
}

void TSingleLibraryUnit::Release() {
  ForgetEntries();
  if (handle_ != nullptr) FreeLibrary(handle_);
  handle_ = nullptr;
}

void* TSingleLibraryUnit::Resolve(TEntry entry) {
  const std::string name = std::string(prefix_) + EntrySuffix(entry);
  return reinterpret_cast<void*>(GetEntryPoint(handle_, name.c_str()));
}

bool ProbeArchive(TDriverUnit& unit, const std::string& fileName, bool closeZeroHandle) {
  try {
    // OpenArchive loads the library as it looks its entry up.
    const HARC archive = unit.OpenArchive(nullptr, ExpandFileName(fileName), kProbeOpenMode);
    if (archive != 0 || closeZeroHandle) unit.CloseArchive(archive);
    return archive != 0;
  } catch (const std::exception&) {
    return false;
  }
}
