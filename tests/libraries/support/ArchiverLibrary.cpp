#include "tests/libraries/support/ArchiverLibrary.h"

#include <dlfcn.h>

#include <stdexcept>

#include "tests/support/TempDir.h"

const std::vector<LibraryEntry>& AllLibraries() {
  static const std::vector<LibraryEntry> libraries = {
      {"UNLHA32.DLL", "lha", {"Unlha"}, "Unlha", "Unlha"},
      {"UNZIP32.DLL", "zip", {"UnZip"}, "UnZip", "UnZip"},
      {"ZIP32J.DLL", "zip", {"Zip"}, "UnZip", "Zip"},
      {"LMZIP32.DLL", "zip", {"Unzip", "Zip"}, "Unzip", "Unzip"},
      {"CAB32.DLL", "cab", {"Cab"}, "Cab", "Cab"},
      {"UNARJ32J.DLL", "arj", {"Unarj"}, "Unarj", "Unarj"},
      {"tar32.dll", "tar", {"Tar"}, "Tar", "Tar"},
      {"UNRAR32.DLL", "rar", {"Unrar"}, "Unrar", "Unrar"},
  };
  return libraries;
}

const LibraryEntry& LibraryFor(const std::string& file) {
  for (const LibraryEntry& info : AllLibraries())
    if (info.file == file) return info;
  throw std::invalid_argument("no library " + file);
}

ArchiverLibrary::ArchiverLibrary(const LibraryEntry& info) : entry_(info) {
  const std::string path = (OutputDir() / info.file).string();
  // RTLD_LOCAL as the program loads them: each library keeps its symbols.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) throw std::runtime_error("dlopen " + path + ": " + dlerror());
  const std::string& list = info.listingPrefix;
  api_.command = reinterpret_cast<ArcCommandFn>(Require(info.commands.front()));
  api_.open = reinterpret_cast<ArcOpenArchiveFn>(Require(list + "OpenArchive"));
  api_.close = reinterpret_cast<ArcCloseArchiveFn>(Require(list + "CloseArchive"));
  api_.findFirst = reinterpret_cast<ArcFindFirstFn>(Require(list + "FindFirst"));
  api_.findNext = reinterpret_cast<ArcFindNextFn>(Require(list + "FindNext"));
  api_.check = reinterpret_cast<ArcCheckArchiveFn>(Require(list + "CheckArchive"));
  api_.setOwner = reinterpret_cast<ArcSetOwnerWindowExFn>(Require(info.ownerPrefix + "SetOwnerWindowEx"));
  api_.killOwner = reinterpret_cast<ArcKillOwnerWindowExFn>(Require(info.ownerPrefix + "KillOwnerWindowEx"));
}

ArchiverLibrary::~ArchiverLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

void* ArchiverLibrary::Find(const std::string& symbol) const { return dlsym(handle_, symbol.c_str()); }

void* ArchiverLibrary::Require(const std::string& symbol) const {
  void* address = Find(symbol);
  if (address == nullptr) throw std::runtime_error(entry_.file + " does not export " + symbol);
  return address;
}
