#include "tests/app/SampleArchives.h"

#include <vector>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/CommandLine.h"
#include "tests/support/DateFormats.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace sample_archives {
namespace fs = std::filesystem;

namespace {
void Date(const fs::path& path, const char* stamp) {
  RunOrFail("touch -d '" + std::string(stamp) + "' " + Quote(path.string()));
}
}  // namespace

void PrepareRealRun() {
  TestApplication();
  SetCommandLine(std::vector<std::string>{"dovanel"});
  UseYmdHmsFormats();
  UseRealLibraries();
  ReleaseAllDriverUnits();
}

void MakeNewest(const fs::path& dir, const std::string& newest, const std::string& bytes) {
  WriteFile(dir / newest, bytes);
  Date(dir / newest, kNewestStamp);
  const fs::path folder = fs::path(newest).parent_path();
  if (!folder.empty()) Date(dir / folder, kOlderStamp);
}

void MakeSources(const fs::path& dir, const std::string& newest, const std::string& newBytes,
                 const std::string& oldBytes) {
  MakeNewest(dir, newest, newBytes);
  WriteFile(dir / "old.txt", oldBytes);
  Date(dir / "old.txt", kOlderStamp);
}

std::string MakeArchive(const fs::path& sources, const fs::path& archive, const std::string& command,
                        const std::string& names) {
  fs::create_directories(archive.parent_path());
  RunOrFail("cd " + Quote(sources.string()) + " && " + command + " " + Quote(archive.string()) + " " + names);
  SetMTime(archive.string(), kBefore);
  return archive.string();
}

std::map<std::string, std::string> RowOutcomes(const Tdovanel& form) {
  std::map<std::string, std::string> outcome;
  for (int r = 0; r < form.ListBox1->Count(); ++r) outcome[form.ListBox1->Item(r)] = form.ListBox3->Item(r);
  return outcome;
}
}  // namespace sample_archives
