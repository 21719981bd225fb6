#include "drivers/ARJ32.h"

TSingleLibraryUnit& ArjUnit() {
  static TSingleLibraryUnit unit("UNARJ32J.DLL", "Unarj", "UNARJ32J.DLL is needed to handle ARJ archives.");
  return unit;
}

TDriverUnit& TArj32::ListingUnit() const { return ArjUnit(); }

int TArj32::Unpack(HWND, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool useResponseFile,
                   std::string& output) {
  CommandLine = MakeCommandLine("x", {archiveName, options, baseDirectory, files, useResponseFile});
  return RunCommandLine(ArjUnit(), TEntry::Command, nullptr, output);
}

bool IsArjArchive(const std::string& fileName) { return ProbeArchive(ArjUnit(), fileName, true); }
