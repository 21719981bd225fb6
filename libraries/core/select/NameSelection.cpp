#include "libraries/core/select/NameSelection.h"

#include <algorithm>

#include "libraries/core/select/PathSafety.h"

namespace dv {
namespace {

std::string_view WithoutTrailingSlashes(std::string_view text) {
  while (text.size() > 1 && text.back() == '/') text.remove_suffix(1);
  return text;
}

}  // namespace

NameSelection::NameSelection(std::vector<std::string> names, std::vector<std::string> excludes, WildcardSyntax syntax)
    : given_(std::move(names)), excludes_(std::move(excludes)), used_(given_.size(), false), syntax_(syntax) {
  for (const std::string& name : given_) names_.push_back(NormalPath(name));
  for (std::string& exclude : excludes_) exclude = NormalPath(exclude);
}

bool NameSelection::Matches(const std::string& pattern, std::string_view path) const {
  const std::string whole(WithoutTrailingSlashes(pattern));
  path = WithoutTrailingSlashes(path);
  return WildcardMatches(whole, path, syntax_) || WildcardMatches(whole + "/*", path, syntax_);
}

bool NameSelection::Selects(std::string_view stored) {
  const std::string path = NormalPath(stored);
  for (const std::string& exclude : excludes_)
    if (Matches(exclude, path)) return false;
  if (names_.empty()) return true;
  bool selected = false;
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (Matches(names_[i], path)) selected = used_[i] = true;
  return selected;
}

const std::string* NameSelection::Unused() const {
  const auto unused = std::find(used_.begin(), used_.end(), false);
  return unused == used_.end() ? nullptr : &given_[static_cast<std::size_t>(unused - used_.begin())];
}

}  // namespace dv
