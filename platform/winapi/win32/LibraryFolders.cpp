#include "platform/winapi/LibraryFolders.h"

#include <cstdlib>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/winapi/Library.h"

const char kPathListSeparator = ';';

std::vector<std::string> LibrarySearchFolders() {
  std::vector<std::string> folders = SplitPathList(std::getenv("DOVANEL_LIBRARY_PATH"));
  // Wide, so that the name is right whatever the code page.
  std::wstring executable(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, executable.data(), static_cast<DWORD>(executable.size()));
  if (length == 0 || length >= executable.size()) return folders;
  executable.resize(length);
  std::string own = ExtractFilePath(Narrow(executable));
  while (own.size() > 3 && (own.back() == '\\' || own.back() == '/')) own.pop_back();
  folders.push_back(own);
  return folders;
}
