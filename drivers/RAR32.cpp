#include "drivers/RAR32.h"

namespace {
// clang-format off
const TCommandPiece kRarPieces[] = {
    {"-u", [](const TPieceContext& c) { return c.options.c < 1; }},
    {"-y", [](const TPieceContext& c) { return c.options.m > 0; }},
    {"-s", [](const TPieceContext& c) { return c.options.p > 0; }},
};
// clang-format on
}  // namespace

TSingleLibraryUnit& RarUnit() {
  static TSingleLibraryUnit unit("UNRAR32.DLL", "Unrar", "UNRAR32.DLL is needed to use this function.");
  return unit;
}

TDriverUnit& TRar32::ListingUnit() const { return RarUnit(); }

int TRar32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  const char* word = options.x == 0 ? "-e" : "-x";
  CommandLine = MakePieceLine(word, kRarPieces, nullptr,
                              {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUnpack)});
  return RunCommandLine(RarUnit(), TEntry::Command, ownerWindow, output);
}

bool IsRarArchive(const std::string& fileName) { return ProbeArchive(RarUnit(), fileName, true); }
