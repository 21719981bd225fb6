// The files on disk a creating command stores: its names taken relative to
// its base directory (or the current folder), each a path or a pattern
// whose '*', '?' (and for ZIP "[...]") may stand in any of its folder
// names. A folder brings its contents when recursing, and an entry of its
// own unless those are not wanted; a symbolic link is stored as a link,
// never followed; devices, FIFOs and sockets are left out (and named in
// `passedOver`), and so is the archive being written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "libraries/core/command/Command.h"
#include "libraries/core/read/Entry.h"
#include "libraries/core/select/LeftOut.h"
#include "libraries/core/util/DiskFiles.h"

namespace dv {

struct SourceFile {
  std::string diskPath;  // as it is opened
  Entry entry;           // as it is stored: a relative '/' path without ".."
};

struct CollectedFiles {
  // kOk; kErrorNoMatch with the name in `message`; kErrorCannotRead when a
  // folder or file the names reach cannot be read (`message` names it).
  int code = 0;
  std::string message;
  std::vector<SourceFile> files;
  LeftOut passedOver;  // devices, FIFOs and sockets the names reached
};

struct CollectRules {
  bool recurse = false;
  bool directoryEntries = true;
  bool junkPaths = false;
  bool missingNamesAllowed = false;  // a name that finds nothing is not an error
  const DiskInfo* skip = nullptr;    // the archive itself, when it exists
};

// How a report names what `passedOver` holds.
inline constexpr std::string_view kPassedOverSpecialFiles = "passed over (only files, folders and links are stored)";

CollectedFiles CollectFiles(const Command& command, const std::vector<std::string>& names, const CollectRules& rules);

// The name a disk path is stored under: relative, '/'-separated, without
// "." and "..", with no trailing '/'.
std::string StoredName(const std::string& path);

}  // namespace dv
