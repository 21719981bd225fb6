#include "drivers/ZIP32.h"

#include "drivers/SelfExtracting.h"
#include "drivers/base/Archiver.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/FileMove.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Translate.h"
#include "platform/winapi/Library.h"

namespace {
const char* const kLibraryNames[3] = {"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"};
const char* const kNoCreatingLibrary = "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。";
const char* const kNoExtractingLibrary = "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。";

// clang-format off
const TCommandPiece kUnZipPieces[] = {
    {"-o", [](const TPieceContext& c) { return c.options.c == 1; }},
    {"--i", [](const TPieceContext& c) { return c.options.n > 0 || c.hasOwnerWindow; }},
    {"-j", [](const TPieceContext& c) { return c.options.x == 0; }},
};
// clang-format on

// clang-format off
const TCommandPiece kZipPieces[] = {
    {"-S", [](const TPieceContext& c) { return c.options.a > 0; }},
    {"-D", [](const TPieceContext& c) { return c.options.a < 2; }},
    {"-v", [](const TPieceContext& c) { return c.options.l > 0; }},
    {"-q", [](const TPieceContext& c) { return c.options.n > 0; }},
    {"-r", [](const TPieceContext& c) { return c.options.r > 0; }},
    {"-o", [](const TPieceContext& c) { return c.options.n > 0; }},
    {"-u", [](const TPieceContext& c) { return c.options.u > 0; }},
    {"-j", [](const TPieceContext& c) { return c.options.x == 0; }},
    {"-FF", [](const TPieceContext& c) { return c.options.jc > 0; }},
    {"-k", [](const TPieceContext& c) { return c.options.ji > 0; }},
    {"-", [](const TPieceContext& c) { return c.options.jm != -1; }, &TArchiverOptions::jm},
    {"-J", [](const TPieceContext& c) { return c.options.gd > 0; }},
};
// clang-format on

// clang-format off
const TCommandPiece kLmZipPieces[] = {
    {"-o", [](const TPieceContext& c) { return c.options.c == 1; }},
    {"-j", [](const TPieceContext& c) { return c.options.x == 0; }},
};
// clang-format on

// LMZIP32.DLL creates its archive afresh, so the old one has to leave its
// name first. It waits in a private folder of the system's temporary
// folder, out of reach of the line's names (beside the archive, even under
// a hidden name, a "*" would pack it into the new one), and comes back
// unless the library reports success. The private folder goes in any case,
// except when the archive cannot come back: then it is the only copy.
class TArchiveSetAside {
 public:
  explicit TArchiveSetAside(const std::string& archiveName) : archiveName_(archiveName) {
    if (!FileExists(archiveName)) return;
    folder_ = CreatePrivateTemporaryFolder("dovanel-aside-");
    if (folder_.empty()) return;
    const std::string aside = folder_ + "/" + ExtractFileName(archiveName);
    if (MoveFile(archiveName, aside)) asideName_ = aside;
  }
  ~TArchiveSetAside() {
    if (!asideName_.empty() && !MoveFile(asideName_, archiveName_)) return;
    if (!folder_.empty()) RemoveFolderTree(folder_);
  }
  TArchiveSetAside(const TArchiveSetAside&) = delete;
  TArchiveSetAside& operator=(const TArchiveSetAside&) = delete;

  // The new archive stands: the old one goes.
  void Discard() { asideName_.clear(); }

 private:
  std::string archiveName_;
  std::string folder_;
  std::string asideName_;
};
}  // namespace

std::string EscapeZipName(const std::string& fileName) {
  std::string escaped;
  escaped.reserve(fileName.size());
  for (std::size_t i = 0; i < fileName.size();) {
    const std::size_t length = AnsiCharLength(fileName, i);
    if (length == 1 && fileName[i] == '\\')
      escaped += '/';
    else if (length == 1 && fileName[i] == '[')
      escaped += "[[]";
    else
      escaped.append(fileName, i, length);
    i += length;
  }
  return escaped;
}

TZipUnit& ZipUnit() {
  static TZipUnit unit;
  return unit;
}

void TZipUnit::Load() {
  for (int k = 0; k < 3; ++k)
    if (handles_[k] == nullptr) handles_[k] = LoadLibraryByName(kLibraryNames[k]);
  if (handles_[0] == nullptr && handles_[1] == nullptr && handles_[2] == nullptr)
    throw ELibraryMissing(Translate("UNZIP32.DLL is needed to extract ZIP archives, and ZIP32J.DLL to create them."));
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
    case TEntry::CheckArchive: return ResolveZipEntry(name, {L::Unzip32, L::Lmzip32, L::Zip32j});
    case TEntry::SetOwnerWindowEx:
    case TEntry::KillOwnerWindowEx:
      // UNZIP32.DLL alone; its look-up error reaches the caller unchanged.
      return reinterpret_cast<void*>(GetEntryPoint(Handle(L::Unzip32), name.c_str()));
    default: return ResolveZipEntry(name, {L::Lmzip32, L::Zip32j, L::Unzip32});
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

std::string TZip32::MakeUnZipCommandLine(const std::string& word, const TCommandRequest& request) const {
  return MakePieceLine(word, kUnZipPieces, EscapeZipName, request);
}

std::string TZip32::MakeZipCommandLine(const std::string& word, const TCommandRequest& request) const {
  return MakePieceLine(word, kZipPieces, EscapeZipName, request);
}

std::string TZip32::MakeLmZipCommandLine(const std::string& word, const TCommandRequest& request) const {
  return MakePieceLine(word, kLmZipPieces, nullptr, request);
}

int TZip32::ExecuteUnZipCommand(HWND ownerWindow, std::string& output) {
  return RunCommandLine(ZipUnit(), TEntry::SecondCommand, ownerWindow, output);
}

int TZip32::ExecuteZipCommand(HWND ownerWindow, std::string& output) {
  return RunCommandLine(ZipUnit(), TEntry::Command, ownerWindow, output);
}

int TZip32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                   std::string& output) {
  CommandLine = MakeUnZipCommandLine("-x", {archiveName, options, baseDirectory, files, useResponseFile});
  return ExecuteUnZipCommand(ownerWindow, output);
}

// The library is chosen by the handles as they stand, without loading again.
int TZip32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                 std::string& output) {
  if (ZipUnit().Handle(TZipLibrary::Zip32j) != nullptr) {
    CommandLine = MakeZipCommandLine("", {archiveName, options, baseDirectory, files, useResponseFile});
    return ExecuteZipCommand(ownerWindow, output);
  }
  if (ZipUnit().Handle(TZipLibrary::Lmzip32) != nullptr) {
    CommandLine = MakeLmZipCommandLine("-ru", {archiveName, options, "", files, useResponseFile});
    TArchiveSetAside oldArchive(archiveName);
    const int result = ExecuteZipCommand(ownerWindow, output);
    if (result == 0) oldArchive.Discard();
    return result;
  }
  throw EArchiver(kNoCreatingLibrary);
}

int TZip32::RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                       const std::string&, const TStringList* files, bool useResponseFile, std::string& output) {
  CommandLine = MakeZipCommandLine("-d", {archiveName, options, "", files, useResponseFile});
  return ExecuteZipCommand(ownerWindow, output);
}

int TZip32::Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                   std::string& output) {
  CommandLine = MakeZipCommandLine("-f", {archiveName, options, baseDirectory, files, useResponseFile});
  return ExecuteZipCommand(ownerWindow, output);
}

int TZip32::MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                    const std::string& directory, std::string& output) {
  if (ZipUnit().Handle(TZipLibrary::Zip32j) == nullptr)
    throw EArchiver("ZIP 形式書庫からの自己解凍書庫作成には ZIP32J.DLL が必要です。");
  const bool win32 = options.gw > 0;
  const std::string stub = FindStub(win32 ? "sfx32gui.dat" : "sfx16.dat");
  if (stub.empty())
    throw EArchiver(win32 ? "zip 書庫からのWin32自己解凍書庫の作成には sfx32gui.dat が必要です。"
                          : "zip 書庫からのDOS自己解凍書庫の作成には sfx16.dat が必要です。");
  const std::string executable = SelfExtractingName(archiveName, directory);
  WriteSelfExtracting(stub, archiveName, executable);
  CommandLine = "-A " + executable;
  return ExecuteZipCommand(ownerWindow, output);
}

bool IsZipArchive(const std::string& fileName) { return ProbeArchive(ZipUnit(), fileName, false); }
