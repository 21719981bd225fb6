// Pins the world every suite runs in: a fixed zone east of UTC (so a mix-up of
// local time and UTC shows), the C locale, and no display.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
  setenv("TZ", "JST-9", 1);
  tzset();
  setenv("LC_ALL", "C", 1);
  std::setlocale(LC_ALL, "C");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
