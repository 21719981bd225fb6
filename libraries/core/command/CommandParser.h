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

#include "libraries/core/command/Command.h"

namespace dv {

enum class CommandLanguage {
  kLha,       // UNLHA32.DLL, UNARJ32J.DLL
  kUnzip,     // UNZIP32.DLL's UnZip, LMZIP32.DLL's Unzip
  kZip,       // ZIP32J.DLL's Zip, LMZIP32.DLL's Zip
  kCab,       // CAB32.DLL
  kRar,       // UNRAR32.DLL
  kTar,       // tar32.dll
  kSevenZip,  // 7-ZIP32.DLL
};

struct ParsedCommand {
  int error = 0;        // kOk, or a refusal of the line (contract/ResultCodes.h)
  std::string message;  // what was wrong, for the output buffer
  Command command;
};

ParsedCommand ParseCommandLine(CommandLanguage language, const char* line);

}  // namespace dv
