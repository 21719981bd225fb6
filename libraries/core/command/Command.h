// What a command asks for, once its line is parsed, and what it returns: the
// data every operation shares, apart from the parsing and the operations, so
// that neither depends on the other.
#pragma once

#include <string>
#include <vector>

#include "contract/ResultCodes.h"
#include "libraries/core/select/Wildcard.h"

namespace dv {

enum class Operation {
  kExtract,
  // ZIP's changes, and 7z's "a", "u" and "d" (the same work on a 7z)
  kZipAdd,      // add the files, replacing entries of the same name
  kZipUpdate,   // add new files, replace entries older than their file
  kZipFreshen,  // replace entries older than their file, add nothing
  kZipDelete,   // remove the entries the names select
  kZipAdjust,   // make a self-extracting ZIP's offsets count from the file's start
  kTarCreate,
  kUnsupported,  // a word of the language this library does not carry out
};
// A short lower-case name of the operation ("extract", "add", ...), for reports.
const char* OperationName(Operation operation);

struct Compression;  // a row of read/Compressions.h

struct Command {
  Operation operation = Operation::kExtract;
  std::string archive;
  std::string baseDirectory;       // "" = the current folder
  std::vector<std::string> names;  // names and patterns; none = every entry
  std::vector<std::string> excludes;
  WildcardSyntax syntax = WildcardSyntax::kPlain;
  bool junkPaths = false;                    // extract or store names without folders
  bool overwrite = false;                    // extraction replaces existing files
  bool recurse = false;                      // ZIP: descend into named folders (tar always does)
  bool directoryEntries = true;              // ZIP: store folders as entries of their own
  bool dateArchiveToNewest = false;          // ZIP: the archive takes its newest entry's time
  bool dropStub = false;                     // ZIP: a changed self-extractor loses its stub
  int level = -1;                            // compression level 0-9; -1 = the method's default
  const Compression* compression = nullptr;  // tar's c: what it writes; nullptr: a bare tar
};

// What a command function returns: its code and the short report it leaves
// in the caller's output buffer.
struct CommandResult {
  int code = kOk;
  std::string report;
};

}  // namespace dv
