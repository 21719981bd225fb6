// Choosing which archiver libraries are "present", and reading what the
// instrumented fakes recorded.
#pragma once

#include <string>
#include <vector>

#include "tests/fakes/FakeConfig.h"

// Only the libraries in these fake folders (see tests/fakes) can be loaded,
// plus `extraFolders` as given.
void UseFakeLibraries(const std::vector<std::string>& fakeFolders, const std::vector<std::string>& extraFolders = {});
// Only the real libraries of the build.
void UseRealLibraries();
// Links the build's real libraries into `folder`, all but those named in
// `leftOut`: a folder of libraries for a program that must miss some.
void LinkRealLibraries(const std::string& folder, const std::vector<std::string>& leftOut = {});
// No library at all.
void UseNoLibraries();

// One fake library, opened by its folder and file name.
class FakeLibrary {
 public:
  FakeLibrary(const std::string& folder, const std::string& file);
  ~FakeLibrary();
  FakeLibrary(const FakeLibrary&) = delete;
  FakeLibrary& operator=(const FakeLibrary&) = delete;

  // The fake's own configuration, changed in place (FakeClear resets it).
  FakeConfig& Config();
  // The recorded calls, one per element.
  std::vector<std::string> Calls() const;
  void Clear();
  std::string Path() const { return path_; }

 private:
  std::string path_;
  void* handle_ = nullptr;
};
