// windows_smoke [-o OPTIONS] ARCHIVE...: loads SMOKELST.DLL from its own
// folder by name and lists each archive through it; OPTIONS go to libarchive
// for the archives after them. Exits with 1 when anything fails.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

using SmokeListFunction = int(WINAPI*)(const char*, const char*);

struct LibraryDeleter {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};

std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

}  // namespace

int main(int argc, char** argv) {
  // Names are printed as UTF-8 bytes, lines end in "\n" alone.
  _setmode(_fileno(stdout), _O_BINARY);
  const std::string libraryPath = OwnFolder() + "SMOKELST.DLL";
  std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter> library(LoadLibraryA(libraryPath.c_str()));
  if (!library) {
    std::fprintf(stderr, "%s cannot be loaded (error %lu)\n", libraryPath.c_str(), GetLastError());
    return 1;
  }
  const auto list = reinterpret_cast<SmokeListFunction>(GetProcAddress(library.get(), "SmokeList"));
  if (!list) {
    std::fprintf(stderr, "SmokeList is not exported by %s\n", libraryPath.c_str());
    return 1;
  }
  int status = 0;
  const char* options = "";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      options = argv[++i];
      continue;
    }
    std::printf("%s\n", argv[i]);
    std::fflush(stdout);
    if (list(argv[i], options) != 0) status = 1;
    std::fflush(stdout);
  }
  return status;
}
