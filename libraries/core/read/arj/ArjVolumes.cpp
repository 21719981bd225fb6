#include "libraries/core/read/arj/ArjVolumes.h"

#include <cctype>

namespace dv {
namespace {

constexpr int kLastVolume = 999;

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// The number of the volume whose extension is `extension`: 0 for the first.
int VolumeNumber(const std::string& extension) {
  if (extension.size() == 3 && (extension[0] == 'a' || extension[0] == 'A') && AllDigits(extension.substr(1)))
    return std::stoi(extension.substr(1));
  if (extension.size() == 3 && AllDigits(extension)) return std::stoi(extension);
  return 0;
}

}  // namespace

std::optional<std::string> NextArjVolume(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? path.substr(0, dot) : path;
  const std::string extension = hasExtension ? path.substr(dot + 1) : std::string();
  const int next = VolumeNumber(extension) + 1;
  if (next > kLastVolume) return std::nullopt;
  const bool upper = !extension.empty() && std::isupper(static_cast<unsigned char>(extension[0]));
  const std::string number = std::to_string(next);
  if (next <= 99) return stem + '.' + (upper ? 'A' : 'a') + (next < 10 ? "0" : "") + number;
  return stem + '.' + number;
}

}  // namespace dv
