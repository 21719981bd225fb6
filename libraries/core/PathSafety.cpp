#include "libraries/core/PathSafety.h"

#include <cctype>

namespace dv {

std::optional<std::vector<std::string>> SafeComponents(std::string_view path) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  const bool drive = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  // A NUL would end the name where the file system reads it: "..\0x" is "..".
  if ((!path.empty() && separator(path[0])) || drive || path.find('\0') != std::string_view::npos)
    return std::nullopt;
  std::vector<std::string> components;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !separator(path[i])) continue;
    const std::string_view name = path.substr(start, i - start);
    start = i + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") return std::nullopt;
    components.emplace_back(name);
  }
  return components;
}

std::string JoinComponents(const std::vector<std::string>& components) {
  std::string joined;
  for (const std::string& name : components) {
    if (!joined.empty()) joined += '/';
    joined += name;
  }
  return joined;
}

std::string NormalPath(std::string_view path) {
  const auto components = SafeComponents(path);
  return components ? JoinComponents(*components) : std::string(path);
}

}  // namespace dv
