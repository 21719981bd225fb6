// A command's names select the entries they name however either side
// spells the same path: "./a.txt" as tar lists it, "a//b", a folder with or
// without its slash.
#include <gtest/gtest.h>

#include <ostream>

#include "libraries/core/select/NameSelection.h"

namespace {

struct SelectCase {
  std::string name;
  std::vector<std::string> names, excludes;
  std::string path;  // as the archive stores it
  bool selected;
  friend std::ostream& operator<<(std::ostream& out, const SelectCase& value) { return out << value.name; }
};

class NameSelectionTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(NameSelectionTest, SelectsThePathsTheNamesName) {
  const SelectCase& row = GetParam();
  dv::NameSelection selection(row.names, row.excludes, dv::WildcardSyntax::kPlain);
  EXPECT_EQ(selection.Selects(row.path), row.selected);
}

INSTANTIATE_TEST_SUITE_P(Spellings, NameSelectionTest,
                         ::testing::Values(SelectCase{"DotSlashNameOfADotSlashEntry", {"./a.txt"}, {}, "./a.txt", true},
                                           SelectCase{"DotSlashNameOfAPlainEntry", {"./a.txt"}, {}, "a.txt", true},
                                           SelectCase{"PlainNameOfADotSlashEntry", {"a.txt"}, {}, "./a.txt", true},
                                           SelectCase{"DoubledSlashInTheName", {"d//b.txt"}, {}, "d/b.txt", true},
                                           SelectCase{"DoubledSlashInTheEntry", {"d/b.txt"}, {}, "d//b.txt", true},
                                           SelectCase{"FolderWithItsSlash", {"./d/"}, {}, "./d/e/c.txt", true},
                                           SelectCase{"FolderWithoutItsSlash", {"./d"}, {}, "./d/", true},
                                           SelectCase{"PatternAfterDotSlash", {"./*.txt"}, {}, "./d/b.txt", true},
                                           SelectCase{"ExclusionSpelledOtherwise", {}, {"./d/"}, "d//b.txt", false},
                                           // A path that would not be written is compared as it is.
                                           SelectCase{"UnsafeEntryByItsOwnName", {"../x"}, {}, "../x", true},
                                           SelectCase{"OtherFolder", {"./d"}, {}, "./dd/b.txt", false},
                                           SelectCase{"SameNameInAFolder", {"./a.txt"}, {}, "d/a.txt", false}),
                         [](const auto& info) { return info.param.name; });

TEST(NameSelection, ReportsAnUnusedNameAsTheLineGaveIt) {
  dv::NameSelection selection({"./a.txt", "./missing//x"}, {}, dv::WildcardSyntax::kPlain);
  EXPECT_TRUE(selection.Selects("a.txt"));
  ASSERT_NE(selection.Unused(), nullptr);
  EXPECT_EQ(*selection.Unused(), "./missing//x");
}

}  // namespace
