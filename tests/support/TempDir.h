// A fresh temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a name inside the folder, as text.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Writes bytes to a file, creating parent folders.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);
// Runs a shell command; fails the current test when it does not exit 0.
void RunOrFail(const std::string& command);
// Folder of the sample archives made by other tools.
std::filesystem::path CorpusDir();
// Folder where the build puts dovanel and the archiver libraries.
std::filesystem::path OutputDir();
