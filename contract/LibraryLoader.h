// Loading one built archiver library whole and binding its family functions
// by their exported names, for the callers that take a library as it is:
// the test suites and the fuzzers. (The program's drivers look each function
// up at its first use instead.)
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "contract/LibraryFunctions.h"

// The listing functions of one library.
struct ListingFunctions {
  ArcOpenArchiveFn open = nullptr;
  ArcCloseArchiveFn close = nullptr;
  ArcFindFirstFn findFirst = nullptr;
  ArcFindNextFn findNext = nullptr;
  ArcCheckArchiveFn check = nullptr;
  ArcGetArchiveTypeFn archiveType = nullptr;  // only tar32.dll has one (TarGetArchiveType)
};

class LoadedLibrary {
 public:
  // RTLD_LOCAL as the program loads them: each library keeps its symbols.
  // A library that cannot be loaded throws, naming it and why.
  explicit LoadedLibrary(const std::string& path) : path_(path), handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) throw std::runtime_error("dlopen " + path + ": " + dlerror());
  }
  ~LoadedLibrary() { dlclose(handle_); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  const std::string& Path() const { return path_; }
  // The address of an exported symbol, or nullptr.
  void* Find(const std::string& symbol) const { return dlsym(handle_, symbol.c_str()); }
  // The address of an exported symbol; a missing one throws.
  void* Require(const std::string& symbol) const {
    void* address = Find(symbol);
    if (address == nullptr) throw std::runtime_error(path_ + " does not export " + symbol);
    return address;
  }
  template <class Function>
  Function Require(const std::string& symbol) const {
    return reinterpret_cast<Function>(Require(symbol));
  }

  // The listing functions exported under `prefix` ("Unlha" -> UnlhaOpenArchive ...).
  ListingFunctions Listing(const std::string& prefix) const {
    ListingFunctions functions;
    functions.open = Require<ArcOpenArchiveFn>(prefix + "OpenArchive");
    functions.close = Require<ArcCloseArchiveFn>(prefix + "CloseArchive");
    functions.findFirst = Require<ArcFindFirstFn>(prefix + "FindFirst");
    functions.findNext = Require<ArcFindNextFn>(prefix + "FindNext");
    functions.check = Require<ArcCheckArchiveFn>(prefix + "CheckArchive");
    functions.archiveType = reinterpret_cast<ArcGetArchiveTypeFn>(Find(prefix + "GetArchiveType"));
    return functions;
  }

 private:
  std::string path_;
  void* handle_;
};
