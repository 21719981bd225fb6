// Absolute paths as Windows writes them: the system folds "." and ".." and
// puts the drive or share in front.
#include <string>
#include <vector>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

std::string ExpandFileName(const std::string& path) {
  const std::wstring wide = Wide(path);
  std::vector<wchar_t> full(MAX_PATH);
  for (;;) {
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) return Narrow(std::wstring(full.data(), length));
    full.resize(length + 1);
  }
}
