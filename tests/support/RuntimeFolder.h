// Points the user's runtime folder (locks, window sockets) at a temporary
// folder for the life of the object, and back.
#pragma once

#include <filesystem>

#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

class ScopedRuntimeFolder {
 public:
  const std::filesystem::path& path() const { return folder_.path(); }

 private:
  // Only its owner may enter, as a session's runtime folder: Qt refuses one
  // that others may read and falls back to a folder of its own in /tmp.
  struct OwnersOnlyFolder : TempDir {
    OwnersOnlyFolder() { std::filesystem::permissions(path(), std::filesystem::perms::owner_all); }
  };
  // Declared first: the folder must exist before the variable names it.
  OwnersOnlyFolder folder_;
  ScopedEnvironment variable_{"XDG_RUNTIME_DIR", folder_.path().string()};
};
