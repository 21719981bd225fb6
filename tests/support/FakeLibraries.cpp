#include "tests/support/FakeLibraries.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "tests/support/TempDir.h"

namespace {
std::string Join(const std::vector<std::string>& folders) {
  std::string joined;
  for (const auto& folder : folders) joined += (joined.empty() ? "" : ":") + folder;
  return joined;
}

template <class Fn>
Fn Symbol(void* handle, const char* name) {
  void* address = dlsym(handle, name);
  if (address == nullptr) throw std::runtime_error(std::string("fake lacks ") + name);
  return reinterpret_cast<Fn>(address);
}
}  // namespace

void UseFakeLibraries(const std::vector<std::string>& fakeFolders, const std::vector<std::string>& extraFolders) {
  std::vector<std::string> folders;
  for (const auto& folder : fakeFolders) folders.push_back(std::string(DOVANEL_FAKES_DIR) + "/" + folder);
  for (const auto& folder : extraFolders) folders.push_back(folder);
  // An empty folder list must still hide the real libraries: name a folder
  // that holds none.
  if (folders.empty()) folders.push_back("/nonexistent-dovanel-libraries");
  setenv("DOVANEL_LIBRARY_PATH", Join(folders).c_str(), 1);
}

void UseRealLibraries() { setenv("DOVANEL_LIBRARY_PATH", OutputDir().c_str(), 1); }

void LinkRealLibraries(const std::string& folder, const std::vector<std::string>& leftOut) {
  for (const char* name : {"UNLHA32.DLL", "UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL", "CAB32.DLL", "UNARJ32J.DLL",
                           "tar32.dll", "UNRAR32.DLL", "7-ZIP32.DLL"}) {
    if (std::find(leftOut.begin(), leftOut.end(), name) != leftOut.end()) continue;
    if (!std::filesystem::exists(OutputDir() / name)) throw std::runtime_error(std::string(name) + " is not built");
    std::filesystem::create_symlink(OutputDir() / name, std::filesystem::path(folder) / name);
  }
}
void UseNoLibraries() { UseFakeLibraries({}); }

FakeLibrary::FakeLibrary(const std::string& folder, const std::string& file)
    : path_(std::string(DOVANEL_FAKES_DIR) + "/" + folder + "/" + file) {
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) throw std::runtime_error("cannot open fake " + path_);
}

FakeLibrary::~FakeLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

FakeConfig& FakeLibrary::Config() { return *Symbol<FakeConfig* (*)()>(handle_, "FakeConfiguration")(); }

std::vector<std::string> FakeLibrary::Calls() const {
  std::vector<std::string> calls;
  std::istringstream log(Symbol<const char* (*)()>(handle_, "FakeLog")());
  for (std::string line; std::getline(log, line);) calls.push_back(line);
  return calls;
}

void FakeLibrary::Clear() { Symbol<void (*)()>(handle_, "FakeClear")(); }
