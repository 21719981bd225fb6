// The LHA function table loads UNLHA32.DLL as the process starts, before the
// program's entry runs, and releases it as the process ends, in a program made
// of the table alone and in dovanel.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
TEST(UnlhaStartUpTest, ProcessLoadsTheLibraryBeforeItsEntryAndReleasesItAtTheEnd) {
  struct Row {
    const char* name;
    std::string program;
    const char* arguments;
    const char* log;
  };
  const Row rows[] = {
      {"table alone", std::string(DOVANEL_FAKES_DIR) + "/fake_lha_table_program", "", "load\nmain\nunload\n"},
      // "/Q" alone: the program ends at once, no archive is touched.
      {"dovanel /Q", (OutputDir() / "dovanel").string(), "/Q", "load\nunload\n"},
  };
  UseFakeLibraries({"lha_table"});
  for (const Row& row : rows) {
    TempDir dir;
    const std::string log = dir / "load.log";
    RunOrFail("timeout 60 env DOVANEL_FAKE_LOAD_LOG='" + log + "' '" + row.program + "' " + row.arguments);
    EXPECT_EQ(ReadFile(log), row.log) << row.name;
  }
}
}  // namespace
