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
  // Declared first: the folder must exist before the variable names it.
  TempDir folder_;
  ScopedEnvironment variable_{"XDG_RUNTIME_DIR", folder_.path().string()};
};
