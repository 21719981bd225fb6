// The fixtures the suites make with the build machine's tools at run time.
#include <gtest/gtest.h>

#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

std::string FixturePython(const std::string& code) {
  // -B: no bytecode left beside the modules in the source tree.
  return "python3 -B -c " + Quote("import sys; sys.path.insert(0, '" DOVANEL_FIXTURE_SCRIPTS_DIR "')\n" + code);
}

std::string SampleArchive(const std::string& format, const std::string& dir) {
  RunOrFail(Quote(DOVANEL_FIXTURE_SCRIPTS_DIR "/make-sample.sh") + " " + Quote(format) + " " + Quote(dir));
  return dir + "/sample." + format;
}
