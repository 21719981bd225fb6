// Extraction: the entries a command selects, from an archive of `format`,
// into its base directory.
//
// - Nothing is written when the line's names select nothing (or nothing is
//   selected at all), a header is damaged, a volume of a split archive is
//   missing, or a selected entry uses a method the library cannot unpack:
//   the whole archive's headers (in every volume) are read first.
// - An existing file is kept unless the line asks to overwrite; a file is
//   written beside its name and moved there when complete, so a failure
//   never leaves half a file or costs the old one.
// - Entries whose path is absolute or holds "..", or whose folder is a
//   symbolic link already in the target, are passed over (kErrorUnsafeEntry
//   once the rest is out). Symbolic links, devices and FIFOs in the archive
//   are never created: they are passed over, which is no error unless
//   nothing else selected was written (kErrorNothingWritten). A hard link
//   to a file this extraction wrote becomes a copy of it; one to anything
//   else is passed over too. The report names what was passed over.
// - An entry whose data fails its check (CRC, size), or whose beginning is
//   in a volume before the one given, is not written (kErrorBrokenArchive,
//   kErrorVolumeMissing); the other entries are.
// - An entry whose data is encrypted is passed over before anything of it
//   is made, its folders included; the others are extracted, and the
//   result is kErrorEncrypted.
// - Files and folders get their stored times and SafeMode permissions.
#pragma once

#include "libraries/core/command/Command.h"
#include "libraries/core/read/Formats.h"

namespace dv {

CommandResult ExtractArchive(Format format, const Command& command);

}  // namespace dv
