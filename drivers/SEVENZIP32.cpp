#include "drivers/SEVENZIP32.h"

#include "platform/rtl/Ansi.h"

namespace {
// -y answers any question yes. Extraction says outright what becomes of
// existing files (-aoa overwrites, -aos keeps), so the library never has to
// ask; the changes carry the level (-mx=0 stores).
// clang-format off
const TCommandPiece kUnpackPieces[] = {
    {"-aoa", [](const TPieceContext& c) { return c.options.c == 1; }},
    {"-aos", [](const TPieceContext& c) { return c.options.c != 1; }},
    {"-y", [](const TPieceContext&) { return true; }},
};
// clang-format on
// clang-format off
const TCommandPiece kChangePieces[] = {
    {"-mx=", [](const TPieceContext& c) { return c.options.jm >= 0 && c.options.jm <= 9; }, &TArchiverOptions::jm},
    {"-y", [](const TPieceContext&) { return true; }},
};
// clang-format on
// clang-format off
const TCommandPiece kRemovePieces[] = {
    {"-y", [](const TPieceContext&) { return true; }},
};
// clang-format on
}  // namespace

TSingleLibraryUnit& SevenZipUnit() {
  static TSingleLibraryUnit unit("7-ZIP32.DLL", "SevenZip", "7-ZIP32.DLL is needed to handle 7z archives.");
  return unit;
}

TDriverUnit& TSevenZip32::ListingUnit() const { return SevenZipUnit(); }

int TSevenZip32::Run(const std::string& word, std::span<const TCommandPiece> pieces, HWND ownerWindow,
                     const TCommandRequest& request, std::string& output) {
  CommandLine = MakePieceLine(word, pieces, nullptr, request);
  return RunCommandLine(SevenZipUnit(), TEntry::Command, ownerWindow, output);
}

int TSevenZip32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                        const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run(options.x == 0 ? "e" : "x", kUnpackPieces, ownerWindow,
             {ExpandFileName(archiveName), options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUnpack)},
             output);
}

int TSevenZip32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                      const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("a", kChangePieces, ownerWindow,
             {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnPack)}, output);
}

int TSevenZip32::RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                            const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("d", kRemovePieces, ownerWindow,
             {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnRemoveItem)}, output);
}

int TSevenZip32::Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                        const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("u", kChangePieces, ownerWindow,
             {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUpdate)}, output);
}

bool IsSevenZipArchive(const std::string& fileName) { return ProbeArchive(SevenZipUnit(), fileName, true); }
