#include "drivers/FamilyArchiver.h"

#include "platform/rtl/Ansi.h"

void TFamilyArchiver::LoadDLL() { ListingUnit().Load(); }
void TFamilyArchiver::FreeDLL() { ListingUnit().Release(); }

HARC TFamilyArchiver::OpenArchive(HWND ownerWindow, const std::string& archiveName, DWORD mode) {
  return ListingUnit().OpenArchive(ownerWindow, ExpandFileName(archiveName), mode);
}

int TFamilyArchiver::FindFirst(HARC archive, ENTRYINFO* entry, const std::string& wildcard) {
  return ListingUnit().FindFirst(archive, wildcard, entry);
}

int TFamilyArchiver::FindNext(HARC archive, ENTRYINFO* entry) { return ListingUnit().FindNext(archive, entry); }

int TFamilyArchiver::CloseArchive(HARC archive) { return ListingUnit().CloseArchive(archive); }

int TFamilyArchiver::CheckArchive(const std::string& fileName, int modePartOne, int modePartTwo) {
  return ListingUnit().CheckArchive(fileName, modePartOne + modePartTwo);
}

bool TFamilyArchiver::SetOwnerWindow(HWND window, void* procedure) {
  const BOOL accepted = ListingUnit().SetOwnerWindowEx(window, procedure);
  OwnerWindow = window;
  return accepted != 0;
}

bool TFamilyArchiver::KillOwnerWindow(HWND window) {
  const BOOL accepted = ListingUnit().KillOwnerWindowEx(window);
  OwnerWindow = nullptr;
  return accepted != 0;
}

void TFamilyArchiver::AddCommonTail(TCmdOpt& builder, const TCommandRequest& request) const {
  builder.Append(request.options.UserOptions);
  AddArchiveAndDirectory(builder, request.archiveName, request.baseDirectory);
  AddFileList(builder, request.options, request.files, request.useResponseFile);
}

std::string TFamilyArchiver::MakePieceLine(const std::string& word, std::span<const TCommandPiece> pieces,
                                           TCmdOpt::TNameFilter nameFilter, const TCommandRequest& request) const {
  TCmdOpt builder;
  builder.NameFilter = nameFilter;
  AddPieces(builder, pieces, {request.options, OwnerWindow != nullptr});
  AddCommonTail(builder, request);
  return word + builder.Text;
}

int TFamilyArchiver::RunCommandLine(TDriverUnit& unit, TEntry which, HWND window, std::string& output) const {
  return unit.Command(which, window, CommandLine, output);
}
