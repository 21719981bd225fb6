#include "drivers/ZIP32.h"

#include "archives/Archiver.h"
#include "platform/winapi/Library.h"

namespace {
const char* const kLibraryNames[3] = {"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"};
const char* const kNoCreatingLibrary = "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。";
const char* const kNoExtractingLibrary = "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。";
}  // namespace

TZipUnit& ZipUnit() {
  static TZipUnit unit;
  return unit;
}

void TZipUnit::Load() {
  for (int k = 0; k < 3; ++k)
    if (handles_[k] == nullptr) handles_[k] = LoadLibraryA(kLibraryNames[k]);
  if (handles_[0] == nullptr && handles_[1] == nullptr && handles_[2] == nullptr)
    throw EArchiver("ZIP 形式書庫を解凍するには UNZIP32.DLL が、作成するには ZIP32J.DLL が必要です。");
}

void TZipUnit::Release() {
  for (TZipLibrary library : {TZipLibrary::Unzip32, TZipLibrary::Lmzip32, TZipLibrary::Zip32j}) {
    HMODULE& handle = handles_[static_cast<int>(library)];
    if (handle != nullptr) FreeLibrary(handle);
    handle = nullptr;
  }
  ForgetEntries();
}

void* TZipUnit::ResolveZipEntry(const std::string& entryName, std::initializer_list<TZipLibrary> order) const {
  for (TZipLibrary library : order) {
    const HMODULE handle = Handle(library);
    if (handle == nullptr) continue;
    std::string asked = entryName;
    // LMZIP32.DLL spells the "UnZip" names with a lower-case z.
    if (library == TZipLibrary::Lmzip32 && asked.size() > 2 && asked[2] == 'Z') asked[2] = 'z';
    try {
      return reinterpret_cast<void*>(GetEntryPoint(handle, asked.c_str()));
    } catch (const EArchiver&) {
      // Absent here: ask the next one.
    }
  }
  throw EArchiver(entryName + " のエントリが見つかりません。");
}

void* TZipUnit::Resolve(TEntry entry) {
  using L = TZipLibrary;
  const std::string name = std::string(entry == TEntry::Command ? "Zip" : "UnZip") + EntrySuffix(entry);
  switch (entry) {
    case TEntry::Command:
      if (Handle(L::Zip32j) == nullptr && Handle(L::Lmzip32) == nullptr) throw EArchiver(kNoCreatingLibrary);
      return ResolveZipEntry(name, {L::Zip32j, L::Lmzip32});
    case TEntry::SecondCommand:
      if (Handle(L::Unzip32) == nullptr && Handle(L::Lmzip32) == nullptr) throw EArchiver(kNoExtractingLibrary);
      return ResolveZipEntry(name, {L::Unzip32, L::Lmzip32});
    case TEntry::CheckArchive:
      return ResolveZipEntry(name, {L::Unzip32, L::Lmzip32, L::Zip32j});
    case TEntry::SetOwnerWindowEx:
    case TEntry::KillOwnerWindowEx:
      // UNZIP32.DLL alone; its look-up error reaches the caller unchanged.
      return reinterpret_cast<void*>(GetEntryPoint(Handle(L::Unzip32), name.c_str()));
    default:
      return ResolveZipEntry(name, {L::Lmzip32, L::Zip32j, L::Unzip32});
  }
}

TDriverUnit& TZip32::ListingUnit() const { return ZipUnit(); }

int TZip32::CheckArchive(const std::string& fileName, int modePartOne, int) {
  return ZipUnit().CheckArchive(fileName, modePartOne);
}

bool TZip32::SetOwnerWindow(HWND window, void* procedure) {
  ZipUnit().SetOwnerWindowEx(window, procedure);
  OwnerWindow = window;
  return true;
}

bool TZip32::KillOwnerWindow(HWND window) {
  ZipUnit().KillOwnerWindowEx(window);
  OwnerWindow = nullptr;
  return true;
}

bool IsZipArchive(const std::string& fileName) { return ProbeArchive(ZipUnit(), fileName, false); }
