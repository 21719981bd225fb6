#include "platform/winapi/LibraryFolders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/Ansi.h"
#include "platform/winapi/Library.h"

// Relative to the executable's folder; the build sets it from the install layout.
#ifndef DOVANEL_PRIVATE_LIBRARY_FOLDER
#define DOVANEL_PRIVATE_LIBRARY_FOLDER "../lib/dovanel"
#endif

const char kPathListSeparator = ':';

std::vector<std::string> LibrarySearchFolders() {
  std::vector<std::string> folders = SplitPathList(std::getenv("DOVANEL_LIBRARY_PATH"));
  char executable[4096];
  if (GetModuleFileNameA(nullptr, executable, sizeof executable) == 0) return folders;
  std::string own = ExtractFilePath(executable);
  while (own.size() > 1 && own.back() == '/') own.pop_back();
  folders.push_back(own);
  // Shown in messages, so without the "..".
  folders.push_back((std::filesystem::path(own) / DOVANEL_PRIVATE_LIBRARY_FOLDER).lexically_normal().string());
  return folders;
}
