// tar32.dll's "c": a new tar, tar.gz or tar.bz2 of the files CollectFiles
// finds (folders always with their contents and an entry of their own),
// replacing any archive of that name only once it is complete. Names that
// reach nothing to store (only special files, or only the archive itself)
// are refused, so an archive is never replaced by an empty one.
#pragma once

#include "libraries/core/command/Command.h"

namespace dv {

CommandResult CreateTar(const Command& command);

}  // namespace dv
