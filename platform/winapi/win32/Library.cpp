#include "platform/winapi/Library.h"

#include <string>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/winapi/LibraryFolders.h"

namespace {
int g_loadCalls = 0;

bool IsBareName(const std::string& name) { return name.find_first_of("\\/:") == std::string::npos; }
}  // namespace

HMODULE LoadLibraryByName(LPCSTR fileName) {
  ++g_loadCalls;
  if (fileName == nullptr || *fileName == '\0') return nullptr;
  const std::string name = fileName;
  if (IsBareName(name)) {
    for (const std::string& folder : LibrarySearchFolders()) {
      const std::string path = IncludeTrailingPathDelimiter(folder) + name;
      if (!FileExists(path)) continue;
      // What the library itself loads is looked for in its own folder first;
      // the wide call, so that the name is right whatever the code page.
      if (HMODULE module = ::LoadLibraryExW(WidePath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
        return module;
    }
  }
  return ::LoadLibraryA(fileName);
}

int LoadLibraryCallCount() { return g_loadCalls; }
