// The world the Windows suites run in, as tests/support/TestMain.cpp pins it
// on Linux: a fixed zone east of UTC (so a mix-up of local time and UTC
// shows) and the C locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
  _putenv_s("TZ", "JST-9");
  _tzset();
  std::setlocale(LC_ALL, "C");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
