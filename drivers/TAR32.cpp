#include "drivers/TAR32.h"

#include <exception>

#include "drivers/base/CmdOpt.h"
#include "drivers/base/UnsetMarker.h"
#include "drivers/SelfExtracting.h"
#include "platform/winapi/Window.h"

namespace {
const TCommandPiece kTarPieces[] = {
    {"-AH", [](const TPieceContext& c) { return c.options.a > 0; }},
    {"-I", [](const TPieceContext& c) { return c.options.a == 0; }},
    {"--display-dialog=0", [](const TPieceContext& c) { return !c.hasOwnerWindow && c.options.n > 0; }},
    {"-g", [](const TPieceContext& c) { return c.options.o > 0; }},
    {"--check-all-path=", [](const TPieceContext& c) { return c.options.p != -1; }, &TArchiverOptions::p},
    {"--use-directory=", [](const TPieceContext& c) { return c.options.x != -1; }, &TArchiverOptions::x},
};

const char* const kStubName = "kmtarsef.exe";
}  // namespace

TSingleLibraryUnit& TarUnit() {
  static TSingleLibraryUnit unit("tar32.dll", "Tar", "tar32.dll is needed to handle tar/tgz/taz/bz2 archives.");
  return unit;
}

TDriverUnit& TTar32::ListingUnit() const { return TarUnit(); }

namespace {
// What each compressed member of the family adds: its switch alone (jm < 1)
// or with jm as its level, and why it cannot become self-extracting (empty:
// it can).
struct TarCompression {
  const char* plain;
  const char* leveled;  // followed by jm in decimal
  const char* noSelfExtracting;
};

const TarCompression* CompressionOf(const TTar32* archiver) {
  static constexpr TarCompression kGzip{"-z", "-z", ""};
  static constexpr TarCompression kBzip2{"-B", "-B", "BZ2 形式書庫は自己解凍形式にできません。"};
  static constexpr TarCompression kXz{"-J", "-J", "XZ 形式書庫は自己解凍形式にできません。"};
  static constexpr TarCompression kZstd{"--zstd", "--zstd=", "ZSTD 形式書庫は自己解凍形式にできません。"};
  if (dynamic_cast<const TTgz32*>(archiver) != nullptr) return &kGzip;
  if (dynamic_cast<const TBZ232*>(archiver) != nullptr) return &kBzip2;
  if (dynamic_cast<const TTxz32*>(archiver) != nullptr) return &kXz;
  if (dynamic_cast<const TTzst32*>(archiver) != nullptr) return &kZstd;
  return nullptr;
}
}  // namespace

std::string TTar32::MakeCommandLine(const std::string& word, const std::string& archiveName,
                                    const TArchiverOptions& options, const std::string& baseDirectory,
                                    const TStringList* files, bool useResponseFile) const {
  TCmdOpt builder;
  builder.Spaced = true;
  AddPieces(builder, kTarPieces, {options, OwnerWindow != nullptr});
  // The compression switch, with jm as its level when one above 0 is given.
  if (const TarCompression* compression = CompressionOf(this)) {
    if (options.jm < 1)
      builder.Append(compression->plain);
    else
      builder.Append(compression->leveled + std::to_string(options.jm));
  }
  builder.Append(options.UserOptions);
  if (!archiveName.empty()) builder.AddValue("f", archiveName);
  builder.AddPath("o", baseDirectory);
  AddFileList(builder, options, files, useResponseFile);
  return word + builder.Text;
}

int TTar32::ExecuteCommand(HWND ownerWindow, std::string& output) {
  const int result = RunCommandLine(TarUnit(), TEntry::Command, ownerWindow, output);
  if (ownerWindow != nullptr) SetForegroundWindow(ownerWindow);
  return result;
}

int TTar32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  CommandLine = MakeCommandLine("x", archiveName, options, baseDirectory, files,
                                options.ResFileUsage.Contains(ruOnUnpack));
  return ExecuteCommand(ownerWindow, output);
}

int TTar32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  CommandLine =
      MakeCommandLine("c", archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnPack));
  return ExecuteCommand(ownerWindow, output);
}

int TTar32::MakeSFX(HWND, const std::string& archiveName, const TArchiverOptions&, const std::string& directory,
                    std::string&) {
  if (const TarCompression* compression = CompressionOf(this); compression != nullptr && *compression->noSelfExtracting)
    throw EArchiver(compression->noSelfExtracting);
  const std::string stub = FindStub(kStubName);
  if (stub.empty()) throw EArchiver("tar/tgz 書庫からの自己解凍書庫の作成には kmtarsef.exe が必要です。");
  WriteSelfExtracting(stub, archiveName, SelfExtractingName(archiveName, directory));
  return 0;
}

TArchiverType TarArchiveType(const std::string& fileName) {
  try {
    // The entry's look-up loads the library.
    switch (TarUnit().GetArchiveType(fileName)) {
      case 1: return atTar;
      case 2: case 3: case 4: case 5: return atTgz;
      case 6: case 7: return atBZ2;
      case 10: case 11: return atTxz;
      case 12: case 13: return atTzst;
      default: return atNone;
    }
  } catch (const std::exception&) {
    return atNone;
  }
}
