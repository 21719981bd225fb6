// Path pieces, scanned by characters of the ANSI code page.
#include <gtest/gtest.h>

#include "platform/rtl/Ansi.h"

namespace {
class AnsiTest : public ::testing::Test {
 protected:
  void TearDown() override { SetAnsiCodePage(TCodePage::Utf8); }
};

TEST_F(AnsiTest, ExtensionIsFromTheLastDotAfterTheLastDelimiter) {
  struct Row {
    const char* path;
    const char* ext;
  };
  for (Row row : {Row{"a.lzh", ".lzh"}, Row{"/x/backup.tar.gz", ".gz"}, Row{"/dir.zip/file", ""}, Row{"name.", "."},
                  Row{"noext", ""}, Row{"/x/.hidden", ".hidden"}, Row{"", ""}}) {
    EXPECT_EQ(ExtractFileExt(row.path), row.ext) << row.path;
  }
  EXPECT_EQ(ChangeFileExt("/arc/a.tar.gz", ".EXE"), "/arc/a.tar.EXE");
  EXPECT_EQ(ChangeFileExt("/arc/a", ".EXE"), "/arc/a.EXE");
  EXPECT_EQ(ExtractFileName("/a/b/c.zip"), "c.zip");
  EXPECT_EQ(ExtractFilePath("/a/b/c.zip"), "/a/b/");
}

TEST_F(AnsiTest, DoubleByteTrailBytesAreNoDelimiters) {
  SetAnsiCodePage(TCodePage::ShiftJis);
  // "表" in Shift-JIS is 0x95 0x5C: its second byte is the backslash code.
  const std::string hyou = "\x95\x5C";
  EXPECT_FALSE(AnsiEndsWithChar("dir" + hyou, '\\'));
  EXPECT_TRUE(AnsiEndsWithChar("dir" + hyou + "\\", '\\'));
  EXPECT_EQ(AnsiLastDelimiter("\\", "a\\" + hyou), 1u);
  SetAnsiCodePage(TCodePage::Utf8);
  EXPECT_TRUE(AnsiEndsWithChar("dir" + hyou, '\\')) << "in UTF-8 the lone byte is its own character";
}

TEST_F(AnsiTest, UpperCaseAndComparisonTouchOnlyAsciiLetters) {
  EXPECT_EQ(AnsiUpperCase("/q"), "/Q");
  EXPECT_EQ(AnsiUpperCase("ä/q"), "ä/Q");
  EXPECT_TRUE(SameText("DATA.LZH", "data.lzh"));
  EXPECT_FALSE(SameText(".lzh", ".lzh "));
  SetAnsiCodePage(TCodePage::ShiftJis);
  // 0x83 0x61 is one katakana character whose trail byte is the code of 'a': it must stay.
  EXPECT_EQ(AnsiUpperCase("\x83\x61x"), "\x83\x61X");
}

TEST_F(AnsiTest, ExpandFileNameFoldsDotsWithoutTouchingTheDisk) {
  EXPECT_EQ(ExpandFileName("/a/./b/../c.zip"), "/a/c.zip");
  EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
  EXPECT_EQ(ExpandFileName("/.."), "/");
  EXPECT_EQ(ExpandFileName("x.zip")[0], '/');
}
}  // namespace
