#include "app/HandOver.h"

#include "platform/rtl/Ansi.h"

std::string PackPaths(const std::vector<std::string>& paths) {
  std::string block;
  for (const std::string& path : paths) {
    block += ExpandFileName(path);
    block += '\0';
  }
  return block;
}

std::vector<std::string> UnpackPaths(const COPYDATASTRUCT& data) {
  std::vector<std::string> paths;
  if (data.dwData != kDroppedPaths || data.lpData == nullptr) return paths;
  const std::string block(static_cast<const char*>(data.lpData), data.cbData);
  std::size_t start = 0;
  for (std::size_t end; (end = block.find('\0', start)) != std::string::npos; start = end + 1)
    if (end > start) paths.push_back(block.substr(start, end - start));
  return paths;
}

bool HandPathsOver(HWND window, const std::vector<std::string>& paths) {
  std::string block = PackPaths(paths);
  COPYDATASTRUCT data;
  data.dwData = kDroppedPaths;
  data.cbData = static_cast<DWORD>(block.size());
  data.lpData = block.data();
  return SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)) != 0;
}
