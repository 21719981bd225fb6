#include "tests/libraries/CommandProbe.h"

#include <algorithm>

#include "tests/support/TempDir.h"

CommandRun RunLine(const ArchiverLibrary& library, const std::string& name, const std::string& line) {
  const auto command = reinterpret_cast<ArcCommandFn>(library.Require(name));
  char output[512] = {};
  CommandRun run;
  run.code = command(nullptr, line.c_str(), output, sizeof output);
  run.report = output;
  return run;
}

std::vector<std::string> PathsUnder(const std::filesystem::path& folder) {
  std::vector<std::string> paths;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string relative = item.path().lexically_relative(folder).string();
    paths.push_back(item.is_symlink() ? relative + "@" : item.is_directory() ? relative + "/" : relative);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}
