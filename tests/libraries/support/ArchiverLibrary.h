// One built archiver library of the family, loaded whole, with its family
// functions by the names that library exports.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "contract/LibraryLoader.h"

// What a library is called and what it exports.
struct LibraryEntry {
  std::string file;                   // "UNLHA32.DLL"
  std::string format;                 // the format family it reads: "lha", "zip", ...
  std::vector<std::string> commands;  // command functions: {"Unlha"}
  std::string listingPrefix;          // "Unlha" -> UnlhaOpenArchive ...
  std::string ownerPrefix;            // "Unlha" -> UnlhaSetOwnerWindowEx ...
  friend std::ostream& operator<<(std::ostream& out, const LibraryEntry& value) { return out << value.file; }
};

// The nine libraries of the family.
const std::vector<LibraryEntry>& AllLibraries();
const LibraryEntry& LibraryFor(const std::string& file);
// The file name as a test name can hold it: "7-ZIP32.DLL" -> "7_ZIP32_DLL".
std::string TestNameOf(const LibraryEntry& info);

// The functions of one library: its listing functions and the rest; every
// pointer but archiveType (tar32.dll's alone) is set once loaded.
struct ArchiverApi : ListingFunctions {
  ArcCommandFn command = nullptr;
  ArcSetOwnerWindowExFn setOwner = nullptr;
  ArcKillOwnerWindowExFn killOwner = nullptr;
};

class ArchiverLibrary {
 public:
  // Loads OutputDir()/info.file; a library or symbol that is missing throws,
  // which fails the test that asked for it.
  explicit ArchiverLibrary(const LibraryEntry& info);
  ArchiverLibrary(const ArchiverLibrary&) = delete;
  ArchiverLibrary& operator=(const ArchiverLibrary&) = delete;

  const ArchiverApi& api() const { return api_; }
  const LibraryEntry& entry() const { return entry_; }
  // The address of an exported symbol, or nullptr.
  void* Find(const std::string& symbol) const { return library_.Find(symbol); }
  // The address of an exported symbol; throws when it is missing.
  void* Require(const std::string& symbol) const { return library_.Require(symbol); }
  // The listing functions, as the fuzzers hold them.
  ListingFunctions Listing() const { return api_; }

 private:
  LibraryEntry entry_;
  LoadedLibrary library_;
  ArchiverApi api_;
};
