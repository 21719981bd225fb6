#include "platform/winapi/LibraryFolders.h"

#include "platform/rtl/Translate.h"

std::vector<std::string> SplitPathList(const char* list) {
  std::vector<std::string> folders;
  if (list == nullptr) return folders;
  const std::string text = list;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(kPathListSeparator, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) folders.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

std::string LibrarySearchText() {
  std::string text;
  for (const std::string& folder : LibrarySearchFolders()) text += folder + ", ";
  return text + Translate("then the system's library path");
}
