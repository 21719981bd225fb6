// The command lines the libraries carry out, parsed into one Command. Each
// library family has its own language (CommandLanguages.cpp says what every
// word and switch of it means); the shape is shared:
//
//   word, switches, "archive", "base directory/", names...
//
// - The word comes first. The ZIP maker's lines have none: "-d", "-f", "-u"
//   are switches there, and "-A path" (the rest of the line, unquoted) is
//   the whole line.
// - Switches come before the archive name; after it every token is a name,
//   so a name may start with '-'. The LHA family also takes switches in
//   double quotes ("-w/tmp/"), the others never do. tar is the exception:
//   an unquoted "-..." token is a switch wherever it stands, and the archive
//   and base directory are the values of "-f" and "-o".
// - The base directory is the token right after the archive name when it
//   ends in '/'; without one, the current folder.
// - A name "@path" is a response file whose names stand in its place. Empty
//   names ("") select nothing and are dropped.
#pragma once

#include <string>
#include <vector>

#include "libraries/core/command/Wildcard.h"

namespace dv {

enum class CommandLanguage {
  kLha,    // UNLHA32.DLL, UNARJ32J.DLL
  kUnzip,  // UNZIP32.DLL's UnZip, LMZIP32.DLL's Unzip
  kZip,    // ZIP32J.DLL's Zip, LMZIP32.DLL's Zip
  kCab,    // CAB32.DLL
  kRar,    // UNRAR32.DLL
  kTar,    // tar32.dll
  kSevenZip,  // 7-ZIP32.DLL
};

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

enum class Compression { kNone, kGzip, kBzip2, kXz, kZstd };

struct Command {
  Operation operation = Operation::kExtract;
  std::string archive;
  std::string baseDirectory;        // "" = the current folder
  std::vector<std::string> names;   // names and patterns; none = every entry
  std::vector<std::string> excludes;
  WildcardSyntax syntax = WildcardSyntax::kPlain;
  bool junkPaths = false;           // extract or store names without folders
  bool overwrite = false;           // extraction replaces existing files
  bool recurse = false;             // ZIP: descend into named folders (tar always does)
  bool directoryEntries = true;     // ZIP: store folders as entries of their own
  bool dateArchiveToNewest = false;  // ZIP: the archive takes its newest entry's time
  bool dropStub = false;            // ZIP: a changed self-extractor loses its stub
  int level = -1;                   // compression level 0-9; -1 = the method's default
  Compression compression = Compression::kNone;
};

struct ParsedCommand {
  int error = 0;            // kOk, or a refusal of the line (contract/ResultCodes.h)
  std::string message;      // what was wrong, for the output buffer
  Command command;
};

ParsedCommand ParseCommandLine(CommandLanguage language, const char* line);

}  // namespace dv
