#include "libraries/core/util/DiskFiles.h"

#include <algorithm>
#include <utility>

namespace dv {

FolderAndName SplitPath(const std::string& path) {
  const std::filesystem::path whole = PathOf(path);
  return {whole.parent_path().empty() ? "." : TextOf(whole.parent_path()), TextOf(whole.filename())};
}

// The same on every system: a Folder only holds its system's state.
Folder::Folder(std::shared_ptr<const State> state) : state_(std::move(state)) {}
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;
Folder::~Folder() = default;

std::vector<std::string> FolderNames(const std::string& folder, std::error_code& error) {
  std::vector<std::string> names;
  std::filesystem::directory_iterator item(PathOf(folder), error), end;
  for (; !error && item != end; item.increment(error)) names.push_back(TextOf(item->path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace dv
