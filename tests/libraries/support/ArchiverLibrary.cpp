#include "tests/libraries/support/ArchiverLibrary.h"

#include <cctype>
#include <stdexcept>

#include "tests/support/TempDir.h"

const std::vector<LibraryEntry>& AllLibraries() {
  // clang-format off
  static const std::vector<LibraryEntry> libraries = {
      {"UNLHA32.DLL", "lha", {"Unlha"}, "Unlha", "Unlha"},
      {"UNZIP32.DLL", "zip", {"UnZip"}, "UnZip", "UnZip"},
      {"ZIP32J.DLL", "zip", {"Zip"}, "UnZip", "Zip"},
      {"LMZIP32.DLL", "zip", {"Unzip", "Zip"}, "Unzip", "Unzip"},
      {"CAB32.DLL", "cab", {"Cab"}, "Cab", "Cab"},
      {"UNARJ32J.DLL", "arj", {"Unarj"}, "Unarj", "Unarj"},
      {"tar32.dll", "tar", {"Tar"}, "Tar", "Tar"},
      {"UNRAR32.DLL", "rar", {"Unrar"}, "Unrar", "Unrar"},
      {"7-ZIP32.DLL", "7z", {"SevenZip"}, "SevenZip", "SevenZip"},
  };
  // clang-format on
  return libraries;
}

const LibraryEntry& LibraryFor(const std::string& file) {
  for (const LibraryEntry& info : AllLibraries())
    if (info.file == file) return info;
  throw std::invalid_argument("no library " + file);
}

std::string TestNameOf(const LibraryEntry& info) {
  std::string name = info.file;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

ArchiverLibrary::ArchiverLibrary(const LibraryEntry& info)
    : entry_(info), library_((OutputDir() / info.file).string()) {
  static_cast<ListingFunctions&>(api_) = library_.Listing(info.listingPrefix);
  api_.command = library_.Require<ArcCommandFn>(info.commands.front());
  api_.setOwner = library_.Require<ArcSetOwnerWindowExFn>(info.ownerPrefix + "SetOwnerWindowEx");
  api_.killOwner = library_.Require<ArcKillOwnerWindowExFn>(info.ownerPrefix + "KillOwnerWindowEx");
}
