#include "libraries/core/select/PathSafety.h"

#include <cctype>

#include "libraries/core/read/NameText.h"

namespace dv {
namespace {

bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool ShiftJisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

}  // namespace

std::optional<std::vector<std::string>> SafeComponents(std::string_view path) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  const bool drive = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  // A NUL would end the name where the file system reads it: "..\0x" is "..".
  if ((!path.empty() && separator(path[0])) || drive || path.find('\0') != std::string_view::npos) return std::nullopt;
  const bool shiftJis = !IsUtf8(path);
  std::vector<std::string> components;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (shiftJis && i + 1 < path.size() && ShiftJisLead(static_cast<unsigned char>(path[i])) &&
        ShiftJisTrail(static_cast<unsigned char>(path[i + 1]))) {
      ++i;  // the two bytes of one character
      continue;
    }
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
