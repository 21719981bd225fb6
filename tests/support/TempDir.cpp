#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path()) {}

TempDir::TempDir(const std::filesystem::path& parent) {
  std::string pattern = (parent / "dovanel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests make files read-only; give write bits back so removal cannot fail.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  // A file a test expects but cannot open is a failure, not an empty file.
  if (!in) {
    ADD_FAILURE() << "cannot read " << file.string();
    return "";
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void RunOrFail(const std::string& command) {
  int status = std::system((command + " >/dev/null 2>&1").c_str());
  ASSERT_EQ(status, 0) << "command failed: " << command;
}

void RunIn(const TempDir& dir, const std::string& command) {
  RunOrFail("cd " + Quote(dir.path().string()) + " && (" + command + ")");
}

CommandOutput RunAndCapture(const std::string& command) {
  CommandOutput result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.text.append(buffer, count);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

std::string Quote(const std::string& path) {
  std::string quoted = "'";
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item :
       std::filesystem::recursive_directory_iterator(folder, std::filesystem::directory_options::skip_permission_denied))
    if (item.is_regular_file() && !item.is_symlink())
      files[item.path().lexically_relative(folder).string()] = ReadFile(item.path());
  return files;
}

std::filesystem::path OutputDir() { return DOVANEL_OUTPUT_DIR; }
