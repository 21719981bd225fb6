// Patterns over names that are UTF-8 text: '?' and a set stand for one
// character, however many bytes it takes.
#include <gtest/gtest.h>

#include <ostream>

#include "libraries/core/select/Wildcard.h"

namespace {

struct MatchCase {
  std::string name;
  std::string pattern, path;
  dv::WildcardSyntax syntax;
  bool matches;
  friend std::ostream& operator<<(std::ostream& out, const MatchCase& value) { return out << value.name; }
};

class WildcardTextTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardTextTest, MatchesWholeCharacters) {
  const MatchCase& row = GetParam();
  EXPECT_EQ(dv::WildcardMatches(row.pattern, row.path, row.syntax), row.matches);
}

constexpr auto kPlain = dv::WildcardSyntax::kPlain;
constexpr auto kBrackets = dv::WildcardSyntax::kBrackets;

INSTANTIATE_TEST_SUITE_P(
    Characters, WildcardTextTest,
    ::testing::Values(MatchCase{"QuestionMarkTakesAJapaneseCharacter", "?.txt", "能.txt", kPlain, true},
                      MatchCase{"TwoQuestionMarksAreTwoCharacters", "??.txt", "能.txt", kPlain, false},
                      MatchCase{"QuestionMarkInAFolderName", "表?/*", "表示/ソフト.txt", kPlain, true},
                      MatchCase{"StarThenQuestionMark", "*?", "能", kPlain, true},
                      MatchCase{"StarBeforeAJapaneseEnd", "*ト.txt", "表示/ソフト.txt", kPlain, true},
                      MatchCase{"SetOfJapaneseCharacters", "[能表]*", "表示/ソフト.txt", kBrackets, true},
                      MatchCase{"SetWithoutTheCharacter", "[能表]*", "ソフト.txt", kBrackets, false},
                      MatchCase{"NegatedSet", "[!能]*", "能.txt", kBrackets, false},
                      MatchCase{"RangeOfHiragana", "[ぁ-ん]*", "あ.txt", kBrackets, true},
                      MatchCase{"KatakanaOutsideTheHiraganaRange", "[ぁ-ん]*", "ア.txt", kBrackets, false},
                      MatchCase{"AsciiLettersInEitherCase", "A?C", "abc", kPlain, true},
                      // Bytes of no character each count as one.
                      MatchCase{"QuestionMarkTakesALoneByte", "?x", "\x85x", kPlain, true},
                      MatchCase{"LoneByteIsNotTheCharacterOfItsValue", "\x85", "\xC2\x85", kPlain, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
