// The driver table's own promises, which type detection and the archive
// component rely on without checking: every type code has one driver
// class, and an extension names one type (the name look-up keeps the last
// match, so a second row for an extension would silently win).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "drivers/DriverTable.h"
#include "platform/rtl/Ansi.h"

TEST(DriverTableTest, EveryTypeCodeHasExactlyOneDriverAndNoOtherCodeHasOne) {
  std::map<int, int> kinds;
  for (const TDriverRow& row : DriverTable())
    for (const TDriverKind& kind : row.kinds) ++kinds[kind.type];
  std::map<int, int> expected;
  for (int type = atLha; type <= atRar; ++type) expected[type] = 1;
  expected[atSevenZip] = 1;
  EXPECT_EQ(kinds, expected);
}

TEST(DriverTableTest, NoExtensionIsNamedTwiceInAnyCase) {
  std::vector<std::string> seen;
  for (const TDriverRow& row : DriverTable())
    for (const TDriverExtension& known : row.extensions) {
      for (const std::string& earlier : seen)
        EXPECT_FALSE(SameText(earlier, known.extension)) << known.extension << " is named twice";
      seen.push_back(known.extension);
    }
}
