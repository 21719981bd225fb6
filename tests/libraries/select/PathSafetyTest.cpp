// Where an entry's path lands below the base directory, and which paths
// land nowhere.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "libraries/core/select/PathSafety.h"

namespace {

using Components = std::optional<std::vector<std::string>>;

struct PathCase {
  std::string name;
  std::string path;
  Components components;
  friend std::ostream& operator<<(std::ostream& out, const PathCase& value) { return out << value.name; }
};

class PathSafetyTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathSafetyTest, GivesTheNamesBelowTheBaseOrNothing) {
  const PathCase& row = GetParam();
  EXPECT_EQ(dv::SafeComponents(row.path), row.components);
  // Names compare as they would be written; a path written nowhere as it is.
  EXPECT_EQ(dv::NormalPath(row.path), row.components ? dv::JoinComponents(*row.components) : row.path);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Paths, PathSafetyTest,
    ::testing::Values(PathCase{"Plain", "d/a.txt", std::vector<std::string>{"d", "a.txt"}},
                      PathCase{"DotsAndDoubledSlashes", "./d//./a.txt/", std::vector<std::string>{"d", "a.txt"}},
                      PathCase{"Backslashes", "d\\a.txt", std::vector<std::string>{"d", "a.txt"}},
                      PathCase{"JapaneseText", "表示/ソフト.txt", std::vector<std::string>{"表示", "ソフト.txt"}},
                      PathCase{"TheBaseItself", "./", std::vector<std::string>{}},
                      PathCase{"Climbing", "d/../../x", std::nullopt}, PathCase{"Absolute", "/etc/x", std::nullopt},
                      PathCase{"Drive", "C:x", std::nullopt},
                      // The file system would read "..\0x" as "..".
                      PathCase{"NulInAName", "..\0x/y"s, std::nullopt}),
    [](const auto& info) { return info.param.name; });

}  // namespace
