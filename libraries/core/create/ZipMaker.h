// The ZIP maker's commands (ZIP32J.DLL's and LMZIP32.DLL's Zip), and the
// same changes to a 7z (7-ZIP32.DLL's a, u and d).
//
// - Add, update and freshen store files found by CollectFiles; an existing
//   archive's other entries are copied into the new one in their order, a
//   replaced entry keeps its place and new ones follow. Update and freshen
//   replace an entry only when its file's DOS time is later; with no names
//   they look at every entry of the archive.
// - Delete drops the entries the names select (NameSelection).
// - Names that reach nothing to store (only devices, FIFOs or sockets, or
//   only the archive itself) are refused; special files left out are named
//   in the report.
// - The new archive replaces the old one only when all of it is written; a
//   file that is not a ZIP archive is never replaced, nor a self-extractor
//   without -J (its stub would be lost). A 7z self-extractor is never
//   changed, named folders always bring their contents into a 7z, and adding
//   or updating without names takes every file of the base folder.
// ("-A path" is ZipSelfExtractor.h's.)
#pragma once

#include "libraries/core/command/Command.h"

namespace dv {

CommandResult ChangeZip(const Command& command);
CommandResult ChangeSevenZip(const Command& command);

}  // namespace dv
