// Stored names as text: UTF-8 as it is, otherwise CP932, otherwise the
// bytes as they are; a charset the archive declares first.
#include <gtest/gtest.h>

#include <ostream>

#include "libraries/core/read/NameText.h"

namespace {

struct NameCase {
  std::string name;
  std::string stored;
  const char* declared;  // nullptr: the archive declares none
  std::string text;
  friend std::ostream& operator<<(std::ostream& out, const NameCase& value) { return out << value.name; }
};

class NameTextTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameTextTest, BecomesTheTextOfItsCharset) {
  const NameCase& row = GetParam();
  EXPECT_EQ(dv::StoredNameAsText(row.stored, row.declared), row.text);
  if (row.declared == nullptr) {
    std::string inPlace = row.stored;
    dv::DecodeStoredName(inPlace);
    EXPECT_EQ(inPlace, row.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameTextTest,
    ::testing::Values(NameCase{"Ascii", "d/a.txt", nullptr, "d/a.txt"},
                      NameCase{"Utf8StaysAsItIs", "表示/ソフト.txt", nullptr, "表示/ソフト.txt"},
                      // 表 ソ 能 end in 0x5C; as text no '\' is left.
                      NameCase{"Cp932WithBackslashSecondBytes", "\x95\x5C\x8E\xA6/\x83\x5C\x83\x74\x83\x67\x94\x5C.txt",
                               nullptr, "表示/ソフト能.txt"},
                      NameCase{"Cp932BackslashStaysABackslash", "\x95\x5C\x8E\xA6\\a.txt", nullptr, "表示\\a.txt"},
                      NameCase{"Cp932HalfWidthKana", "\xB1\xB2.txt", nullptr, "ｱｲ.txt"},
                      // An overlong form is no UTF-8: as CP932 it is two half-width kana.
                      NameCase{"OverlongUtf8IsCp932", "\xC0\xAF", nullptr, "ﾀｯ"},
                      // 0x85 leads nothing in CP932 and is no UTF-8 start either.
                      NameCase{"NeitherStaysAsStored", "\x85\x40x.txt", nullptr, "\x85\x40x.txt"},
                      NameCase{"Cp932CutShortStaysAsStored", "a\x82", nullptr, "a\x82"},
                      NameCase{"DeclaredCharsetFirst", "caf\xE9", "CP1252", "café"},
                      // UTF-8 names read as CP932 would be other text: the declaration wins.
                      NameCase{"DeclaredCp932OverUtf8", "\xE6\x97\xA5", "CP932", "譌･"},
                      NameCase{"DeclaredButNotThatCharsetFallsBack", "\x95\x5C", "UTF-8", "表"}),
    [](const auto& info) { return info.param.name; });

TEST(IsUtf8, TakesWellFormedSequencesOnly) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", true},
      {"plain", true},
      {"\xC3\xA9", true},           // é
      {"\xF0\x9F\x98\x80", true},   // U+1F600
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xE0\x80\xAF", false},      // overlong
      {"\xE3\x81", false},          // cut short
      {"\xE3\x81\x41", false},      // a continuation missing
      {"\x80", false},              // a lone continuation
  };
  for (const auto& [bytes, valid] : cases) EXPECT_EQ(dv::IsUtf8(bytes), valid) << ::testing::PrintToString(bytes);
}

}  // namespace
