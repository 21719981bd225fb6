// Absolute paths as POSIX writes them.
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/rtl/Ansi.h"

std::string ExpandFileName(const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path[0] != PathDelim) {
    std::vector<char> cwd(4096);
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
      if (cwd.size() > (1u << 20)) return path;
      cwd.resize(cwd.size() * 2);
    }
    absolute = IncludeTrailingPathDelimiter(cwd.data()) + path;
  }
  // Fold "." and ".." textually, keeping a trailing delimiter.
  std::vector<std::string> parts;
  std::size_t start = 1;
  while (start <= absolute.size()) {
    std::size_t end = absolute.find(PathDelim, start);
    if (end == std::string::npos) end = absolute.size();
    std::string part = absolute.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const auto& part : parts) result += PathDelim + part;
  if (result.empty()) return std::string(1, PathDelim);
  if (absolute.size() > 1 && absolute.back() == PathDelim) result += PathDelim;
  return result;
}
