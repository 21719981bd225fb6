// The command line as people know it: /Q and its spellings, the run's
// options, joined short options, "--" before paths that start with "-", and
// any other argument that starts with "-" refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Arguments.h"

namespace {
struct Case {
  const char* name;
  std::vector<std::string> arguments;
  // What the parse must give: the flags as "qnvhV" letters that are set, the paths, the argument refused.
  const char* flags;
  std::vector<std::string> paths;
  const char* refused;
};

std::string Flags(const TArguments& parsed) {
  std::string flags;
  if (parsed.quiet) flags += 'q';
  if (parsed.dryRun) flags += 'n';
  if (parsed.verbose) flags += 'v';
  if (parsed.help) flags += 'h';
  if (parsed.version) flags += 'V';
  return flags;
}

TEST(ArgumentsTest, EachCommandLineGivesItsOptionsAndPaths) {
  // clang-format off
  const Case cases[] = {
      {"nothing", {}, "", {}, ""},
      {"paths alone", {"a.zip", "dir/"}, "", {"a.zip", "dir/"}, ""},
      {"/Q in any case, anywhere", {"a.zip", "/q", "b.lzh", "/Q"}, "q", {"a.zip", "b.lzh"}, ""},
      {"the short and long quiet", {"-q", "x", "--quiet"}, "q", {"x"}, ""},
      {"dry run and verbose, short", {"-n", "-v", "x"}, "nv", {"x"}, ""},
      {"dry run and verbose, long", {"--dry-run", "--verbose", "x"}, "nv", {"x"}, ""},
      {"short options joined", {"-qnv", "x"}, "qnv", {"x"}, ""},
      {"help and version anywhere", {"x", "--version", "--help"}, "hV", {"x"}, ""},
      {"a slash word is a path", {"/x", "/QQ"}, "", {"/x", "/QQ"}, ""},
      {"an empty argument is a path", {""}, "", {""}, ""},
      {"-- ends the options", {"-v", "--", "-x.zip", "--help", "/Q", "--"}, "v", {"-x.zip", "--help", "/Q", "--"}, ""},
      {"a Japanese path after --", {"--", "-書庫.lzh"}, "", {"-書庫.lzh"}, ""},
      {"an unknown long option", {"/Q", "--halp", "a.zip"}, "", {}, "--halp"},
      {"an unknown short option", {"-x", "a.zip"}, "", {}, "-x"},
      {"a known and an unknown letter joined", {"-qx"}, "", {}, "-qx"},
      {"a long option with one dash", {"-quiet"}, "", {}, "-quiet"},
      {"a dash alone", {"-"}, "", {}, "-"},
      {"a long option's value is not taken", {"--verbose=yes"}, "", {}, "--verbose=yes"},
      {"a file named like an option, before --", {"-x.zip"}, "", {}, "-x.zip"},
      {"an option's case counts", {"-Q"}, "", {}, "-Q"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TArguments parsed = ParseArguments(c.arguments);
    EXPECT_EQ(parsed.refused, c.refused);
    EXPECT_EQ(parsed.Refused(), *c.refused != '\0');
    if (parsed.Refused()) continue;
    EXPECT_EQ(Flags(parsed), c.flags);
    EXPECT_EQ(parsed.paths, c.paths);
  }
}
}  // namespace
