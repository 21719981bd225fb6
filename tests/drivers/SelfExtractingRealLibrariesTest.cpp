// Self-extractors made through the ZIP and tar drivers' MakeSFX with the
// built libraries, from archives made by the usual tools: Info-ZIP's unzip
// tests the ZIP one clean (ZIP32J.DLL's "-A" moved its offsets), and type
// detection by content takes each executable for the archive it holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "archives/DetectArchiverType.h"
#include "drivers/DriverTable.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;

struct RealSfxCase {
  std::string name;
  std::string archive;  // its name in arc/
  std::string command;  // makes it in arc/ from a.txt and d/b.txt
  std::function<std::unique_ptr<TArchiver>()> driver;
  int gw;              // the option that picks ZIP's Win32 stub
  TArchiverType type;  // what detection by content says of the executable
  friend std::ostream& operator<<(std::ostream& out, const RealSfxCase& value) { return out << value.name; }
};

std::vector<RealSfxCase> RealSfxCases() {
  const auto zip = [] { return TArchiver::Create<TZip32>(); };
  // clang-format off
  return {
      {"ZipDosStubOf30002Bytes", "a.zip", "zip -q -r a.zip a.txt d", zip, 0, atZip},
      {"Zip64Win32Stub", "a.zip", "zip -q -fz -r a.zip a.txt d", zip, 1, atZip},
      {"Tar", "a.tar", "tar cf a.tar a.txt d", [] { return TArchiver::Create<TTar32>(); }, 0, atTar},
      {"TarGzip", "a.tgz", "tar czf a.tgz a.txt d", [] { return TArchiver::Create<TTgz32>(); }, 0, atTgz},
  };
  // clang-format on
}

class RealSelfExtractingTest : public ::testing::TestWithParam<RealSfxCase> {
 protected:
  void SetUp() override {
    WriteFile(temp_ / "stubs/sfx16.dat", "MZ" + std::string(30000, '\x90'));
    WriteFile(temp_ / "stubs/sfx32gui.dat", "MZ" + std::string(4095, '\x90'));
    WriteFile(temp_ / "stubs/kmtarsef.exe", "MZ" + std::string(30000, '\x90'));
    path_ = std::make_unique<ScopedEnvironment>("PATH", (temp_ / "stubs") + ":/usr/bin:/bin");
    ReleaseAllDriverUnits();
    UseRealLibraries();
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    UseNoLibraries();
  }

  TempDir temp_;
  std::unique_ptr<ScopedEnvironment> path_;
};

TEST_P(RealSelfExtractingTest, IsTestedCleanAndTypedAsTheArchiveItHolds) {
  const RealSfxCase& row = GetParam();
  WriteFile(temp_ / "arc/a.txt", std::string(3000, 'a'));
  WriteFile(temp_ / "arc/d/b.txt", "bravo\n");
  RunIn(temp_, "cd arc && " + row.command);
  const std::string archive = temp_ / ("arc/" + row.archive);
  const std::string executable = temp_ / "arc/a.EXE";
  const std::unique_ptr<TArchiver> driver = row.driver();
  TArchiverOptions options;
  options.gw = row.gw;
  std::string output(256, '\0');
  EXPECT_EQ(driver->MakeSFX(nullptr, archive, options, "", output), 0) << output;
  EXPECT_EQ(DetectArchiverType(executable, true), row.type);
  if (row.type != atZip) return;
  const CommandOutput test = RunAndCapture("unzip -t " + Quote(executable));
  EXPECT_EQ(test.status, 0) << test.text;
  EXPECT_EQ(test.text.find("extra bytes"), std::string::npos) << test.text;
}

INSTANTIATE_TEST_SUITE_P(Drivers, RealSelfExtractingTest, ::testing::ValuesIn(RealSfxCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
