#include "drivers/CAB32.h"

#include "platform/rtl/Ansi.h"

namespace {
// clang-format off
const TCommandPiece kCabPieces[] = {
    {"-o", [](const TPieceContext& c) { return c.options.c == 1; }},
    {"-i", [](const TPieceContext& c) { return c.options.n > 0 || c.hasOwnerWindow; }},
    {"-r", [](const TPieceContext& c) { return c.options.r > 0; }},
    {"-j", [](const TPieceContext& c) { return c.options.x == 0; }},
    {"-q", [](const TPieceContext& c) { return c.options.ji > 0; }},
};
// clang-format on
}  // namespace

TSingleLibraryUnit& CabUnit() {
  static TSingleLibraryUnit unit("CAB32.DLL", "Cab", "CAB32.DLL is needed to handle CAB archives.");
  return unit;
}

TDriverUnit& TCab32::ListingUnit() const { return CabUnit(); }

int TCab32::Run(const std::string& word, HWND ownerWindow, const TCommandRequest& request, std::string& output) {
  CommandLine = MakePieceLine(word, kCabPieces, nullptr, request);
  return RunCommandLine(CabUnit(), TEntry::Command, ownerWindow, output);
}

int TCab32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("-x", ownerWindow,
             {ExpandFileName(archiveName), options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUnpack)},
             output);
}

int TCab32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("-a", ownerWindow, {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnPack)},
             output);
}

int TCab32::MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                    const std::string& directory, std::string& output) {
  return Run("-f", ownerWindow, {archiveName, options, directory, nullptr, false}, output);
}

bool IsCabArchive(const std::string& fileName) { return ProbeArchive(CabUnit(), fileName, true); }
