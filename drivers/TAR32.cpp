#include "drivers/TAR32.h"

#include <algorithm>
#include <array>
#include <exception>

#include "contract/TarArchiveTypes.h"
#include "drivers/SelfExtracting.h"
#include "drivers/base/CmdOpt.h"
#include "drivers/base/UnsetMarker.h"
#include "platform/winapi/Window.h"

namespace {
// clang-format off
const TCommandPiece kTarPieces[] = {
    {"-AH", [](const TPieceContext& c) { return c.options.a > 0; }},
    {"-I", [](const TPieceContext& c) { return c.options.a == 0; }},
    {"--display-dialog=0", [](const TPieceContext& c) { return !c.hasOwnerWindow && c.options.n > 0; }},
    {"-g", [](const TPieceContext& c) { return c.options.o > 0; }},
    {"--check-all-path=", [](const TPieceContext& c) { return c.options.p != -1; }, &TArchiverOptions::p},
    {"--use-directory=", [](const TPieceContext& c) { return c.options.x != -1; }, &TArchiverOptions::x},
};
// clang-format on

const char* const kStubName = "kmtarsef.exe";
}  // namespace

TSingleLibraryUnit& TarUnit() {
  static TSingleLibraryUnit unit("tar32.dll", "Tar", "tar32.dll is needed to handle tar/tgz/taz/bz2 archives.");
  return unit;
}

TDriverUnit& TTar32::ListingUnit() const { return TarUnit(); }

// The tar family, one row per driver class: the codes TarGetArchiveType
// gives for the files it takes, the compression switch it adds alone (jm
// < 1) or with jm as its level (nullptr: none, a bare tar), and why it
// cannot become self-extracting (empty: it can; the stub unpacks tar and
// tar.gz only).
struct TTarKindRow {
  TArchiverType type;
  std::array<int, 4> codes;  // 0 (no file of the family) fills the rest
  const char* plain;
  const char* leveled;  // followed by jm in decimal
  const char* noSelfExtracting;
};

namespace {
// clang-format off
const TTarKindRow kTarKinds[] = {
    {atTar, {dv::kTarPlain}, nullptr, nullptr, ""},
    {atTgz, {dv::kTarGzip, dv::kTarCompress, dv::kGzipOnly, dv::kCompressOnly}, "-z", "-z", ""},
    {atBZ2, {dv::kTarBzip2, dv::kBzip2Only}, "-B", "-B", "BZ2 形式書庫は自己解凍形式にできません。"},
    {atTxz, {dv::kTarXz, dv::kXzOnly}, "-J", "-J", "XZ 形式書庫は自己解凍形式にできません。"},
    {atTzst, {dv::kTarZstd, dv::kZstdOnly}, "--zstd", "--zstd=", "ZSTD 形式書庫は自己解凍形式にできません。"},
};
// clang-format on

const TTarKindRow& KindRow(TArchiverType type) {
  for (const TTarKindRow& row : kTarKinds)
    if (row.type == type) return row;
  return kTarKinds[0];
}
}  // namespace

TTar32::TTar32(TArchiverType type) : Kind(KindRow(type)) {}

std::string TTar32::MakeCommandLine(const std::string& word, const TCommandRequest& request) const {
  const TArchiverOptions& options = request.options;
  TCmdOpt builder;
  builder.Spaced = true;
  AddPieces(builder, kTarPieces, {options, OwnerWindow != nullptr});
  // The compression switch, with jm as its level when one above 0 is given.
  if (Kind.plain != nullptr) {
    if (options.jm < 1)
      builder.Append(Kind.plain);
    else
      builder.Append(Kind.leveled + std::to_string(options.jm));
  }
  builder.Append(options.UserOptions);
  if (!request.archiveName.empty()) builder.AddValue("f", request.archiveName);
  builder.AddPath("o", request.baseDirectory);
  AddFileList(builder, options, request.files, request.useResponseFile);
  return word + builder.Text;
}

int TTar32::ExecuteCommand(HWND ownerWindow, std::string& output) {
  const int result = RunCommandLine(TarUnit(), TEntry::Command, ownerWindow, output);
  if (ownerWindow != nullptr) SetForegroundWindow(ownerWindow);
  return result;
}

int TTar32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  CommandLine =
      MakeCommandLine("x", {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUnpack)});
  return ExecuteCommand(ownerWindow, output);
}

int TTar32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  CommandLine =
      MakeCommandLine("c", {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnPack)});
  return ExecuteCommand(ownerWindow, output);
}

int TTar32::MakeSFX(HWND, const std::string& archiveName, const TArchiverOptions&, const std::string& directory,
                    std::string&) {
  if (*Kind.noSelfExtracting) throw EArchiver(Kind.noSelfExtracting);
  const std::string stub = FindStub(kStubName);
  if (stub.empty()) throw EArchiver("tar/tgz 書庫からの自己解凍書庫の作成には kmtarsef.exe が必要です。");
  WriteSelfExtracting(stub, archiveName, SelfExtractingName(archiveName, directory));
  return 0;
}

TArchiverType TarArchiveType(const std::string& fileName) {
  try {
    // The entry's look-up loads the library.
    const int code = TarUnit().GetArchiveType(fileName);
    if (code == dv::kTarOther) return atNone;
    for (const TTarKindRow& row : kTarKinds)
      if (std::find(row.codes.begin(), row.codes.end(), code) != row.codes.end()) return row.type;
    return atNone;
  } catch (const std::exception&) {
    return atNone;
  }
}
