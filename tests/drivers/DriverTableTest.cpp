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
  // The formats added since, after atAutoDetect (10 stays unused).
  for (int type : {atTxz, atTzst, atSevenZip}) expected[type] = 1;
  EXPECT_EQ(kinds, expected);
  for (int type = 0; type < 256; ++type)
    EXPECT_EQ(HasDriver(static_cast<TArchiverType>(type)), expected.contains(type)) << type;
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
