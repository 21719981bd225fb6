// Points the user's runtime folder (locks, window sockets) at a temporary
// folder for the life of the object, and back.
#pragma once

#include <cstdlib>
#include <string>

#include "tests/support/TempDir.h"

class ScopedRuntimeFolder {
 public:
  ScopedRuntimeFolder() {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
  }
  ~ScopedRuntimeFolder() {
    if (hadOld_)
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
  }
  ScopedRuntimeFolder(const ScopedRuntimeFolder&) = delete;
  ScopedRuntimeFolder& operator=(const ScopedRuntimeFolder&) = delete;

  const std::filesystem::path& path() const { return folder_.path(); }

 private:
  TempDir folder_;
  bool hadOld_ = false;
  std::string old_;
};
