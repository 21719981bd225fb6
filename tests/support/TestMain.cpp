// Pins the world every suite runs in: a fixed zone east of UTC (so a mix-up of
// local time and UTC shows), the C locale (so the texts are English), no
// display and no desktop scaling, no Java VM bookkeeping in /tmp (the tests
// make archives with jlha), and for
// each test a runtime folder of its own, so that the instance lock and the
// window sockets of a dovanel the user has open (or another test program
// runs) change no result, and every program a test starts inherits that folder.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "tests/support/RuntimeFolder.h"

namespace {
class RuntimeFolderPerTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { folder_ = std::make_unique<ScopedRuntimeFolder>(); }
  void OnTestEnd(const ::testing::TestInfo&) override { folder_.reset(); }
  std::unique_ptr<ScopedRuntimeFolder> folder_;
};
}  // namespace

int main(int argc, char** argv) {
  setenv("TZ", "JST-9", 1);
  tzset();
  setenv("LC_ALL", "C", 1);
  // gettext would prefer it to the locale's language in a test that names one.
  unsetenv("LANGUAGE");
  std::setlocale(LC_ALL, "C");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // One device pixel a pixel on the offscreen screen, whatever scaling the
  // user's desktop asks for: the window tests measure and grab pixels.
  for (const char* scaling : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                              "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_USE_PHYSICAL_DPI"})
    unsetenv(scaling);
  // jlha runs on Java, whose VM otherwise leaves a hsperfdata folder in /tmp.
  setenv("JAVA_TOOL_OPTIONS", "-XX:-UsePerfData", 1);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new RuntimeFolderPerTest);
  return RUN_ALL_TESTS();
}
