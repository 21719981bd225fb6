#include "platform/winapi/Library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/Ansi.h"
#include "platform/winapi/LibraryFolders.h"

namespace {
int g_loadCalls = 0;

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ExecutableFolder() {
  const std::string exe = ExecutablePath();
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file in `folder` whose name equals `name` ignoring case; exact first.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  const std::string exact = folder + "/" + name;
  if (IsRegularFile(exact)) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0 && IsRegularFile(folder + "/" + entry->d_name)) {
      found = folder + "/" + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

std::string CopyOut(const std::string& text, LPSTR buffer, DWORD size, DWORD& copied) {
  copied = 0;
  if (buffer == nullptr || size == 0) return text;
  copied = static_cast<DWORD>(std::min<std::size_t>(text.size(), size - 1));
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return text;
}
}  // namespace

std::vector<std::string> LibraryFilesNamed(const std::string& name) {
  if (name.find('/') != std::string::npos) return {name};
  std::vector<std::string> found;
  for (const auto& folder : LibrarySearchFolders()) {
    std::string path = FindIgnoringCase(folder, name);
    if (!path.empty()) found.push_back(std::move(path));
  }
  return found;
}

HMODULE LoadLibraryByName(LPCSTR fileName) {
  ++g_loadCalls;
  if (fileName == nullptr || *fileName == '\0') return nullptr;
  const std::string name = fileName;
  for (const auto& path : LibraryFilesNamed(name)) {
    // The loader keeps the name it was given: a full one, so that
    // GetModuleFileNameA gives a full path whatever the search folders were.
    if (void* handle = ::dlopen(ExpandFileName(path).c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  }
  if (name.find('/') == std::string::npos) return ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  return nullptr;
}

BOOL FreeLibrary(HMODULE module) { return module != nullptr && ::dlclose(module) == 0 ? TRUE : FALSE; }

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  // A null module must find nothing (dlsym would search the whole process).
  if (module == nullptr || procName == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(::dlsym(module, procName));
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string path;
  if (module == nullptr) {
    path = ExecutablePath();
  } else {
    link_map* map = nullptr;
    if (::dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) path = map->l_name;
  }
  DWORD copied = 0;
  CopyOut(path, fileName, size, copied);
  return copied;
}

DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  if (fileName == nullptr || *fileName == '\0') return 0;
  std::string name = fileName;
  if (extension != nullptr && name.find('.') == std::string::npos) name += extension;
  std::vector<std::string> folders;
  if (path != nullptr) {
    folders = SplitPathList(path);
  } else {
    folders.push_back(ExecutableFolder());
    std::vector<char> cwd(4096);
    if (::getcwd(cwd.data(), cwd.size()) != nullptr) folders.push_back(cwd.data());
    for (const auto& folder : SplitPathList(std::getenv("PATH"))) folders.push_back(folder);
  }
  for (const auto& folder : folders) {
    const std::string candidate = folder + "/" + name;
    if (!IsRegularFile(candidate)) continue;
    if (bufferLength < candidate.size() + 1) return static_cast<DWORD>(candidate.size() + 1);
    DWORD copied = 0;
    CopyOut(candidate, buffer, bufferLength, copied);
    if (filePart != nullptr) *filePart = buffer + (candidate.size() - name.size());
    return copied;
  }
  return 0;
}

int LoadLibraryCallCount() { return g_loadCalls; }
