// The sample archives under wine, where the tools that make them cannot run:
// the host made them before the suite started (the windows.samples test,
// with the script the Linux suites run), one folder per format; a test gets
// a copy of that folder's files.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

std::string SampleArchive(const std::string& format, const std::string& dir) {
  const std::filesystem::path made = std::filesystem::path(DOVANEL_SAMPLES_DIR) / format;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(made, error))
    std::filesystem::copy_file(item.path(), std::filesystem::path(dir) / item.path().filename(),
                               std::filesystem::copy_options::overwrite_existing, error);
  EXPECT_FALSE(error) << "no prepared sample in " << made.string() << ": " << error.message();
  const std::string archive = dir + "/sample." + format;
  EXPECT_TRUE(std::filesystem::is_regular_file(archive)) << archive;
  return archive;
}
