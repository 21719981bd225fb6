#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path()) {}

TempDir::TempDir(const std::filesystem::path& parent) {
  // A name nobody has taken: create_directory says whether it made the folder.
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "dovanel-test-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
    std::error_code error;
    if (std::filesystem::create_directory(parent / name, error)) {
      path_ = parent / name;
      return;
    }
    if (error) break;
  }
  throw std::runtime_error("cannot make a temporary folder in " + parent.string());
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests make files read-only; give write bits back so removal cannot fail.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                   ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
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

std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(
           folder, std::filesystem::directory_options::skip_permission_denied))
    if (item.is_regular_file() && !item.is_symlink())
      files[item.path().lexically_relative(folder).string()] = ReadFile(item.path());
  return files;
}

std::filesystem::path OutputDir() { return DOVANEL_OUTPUT_DIR; }
