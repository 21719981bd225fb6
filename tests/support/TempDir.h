// A fresh temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  // One inside `parent` instead of the system's temporary folder.
  explicit TempDir(const std::filesystem::path& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a name inside the folder, as text.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A folder on another file system than the system's temporary folder (the
// tmpfs of /dev/shm), for moves that have to copy.
inline const char* const kOtherFileSystem = "/dev/shm";

// Writes bytes to a file, creating parent folders.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
// The file's bytes; a file that cannot be opened fails the test and reads as "".
std::string ReadFile(const std::filesystem::path& file);
// Runs a shell command; fails the current test when it does not exit 0.
void RunOrFail(const std::string& command);
// Runs a shell command inside `dir`; its own redirections stay its own.
void RunIn(const TempDir& dir, const std::string& command);
// A shell command's exit status (-1 when it did not exit) and what it wrote
// on either stream.
struct CommandOutput {
  int status = -1;
  std::string text;
};
CommandOutput RunAndCapture(const std::string& command);
// A program's output as its lines, sorted, for a test that checks which
// lines came and not their order.
std::vector<std::string> SortedLines(const std::string& text);
// The path quoted for a shell command.
std::string Quote(const std::string& path);
// Every regular file below `folder` (links are left out): path relative to
// it -> bytes.
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder);
// Folder where the build puts dovanel and the archiver libraries.
std::filesystem::path OutputDir();
