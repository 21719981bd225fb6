#include "tests/libraries/support/CommandProbe.h"

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

std::string ExtractLine(const std::string& library, const std::string& archive, const std::string& out,
                        const std::string& names) {
  const std::string tail = " \"" + archive + "\" \"" + out + "/\"";
  std::string line;
  if (library == "UNLHA32.DLL" || library == "UNARJ32J.DLL")
    line = "x -+ " + tail;
  else if (library == "UNRAR32.DLL")
    line = "-x -u " + tail;
  else if (library == "tar32.dll")
    line = "x  -f \"" + archive + "\" -o \"" + out + "/\"";
  else if (library == "7-ZIP32.DLL")
    line = "x -aos -y " + tail;
  else
    line = "-x " + tail;  // UNZIP32.DLL, CAB32.DLL
  return names.empty() ? line : line + " " + names;
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
