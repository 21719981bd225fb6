// The command-line builder: spacing, quoting and skipping rules, the
// response file's bytes, and the values it refuses because a double quote
// cannot be quoted.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "drivers/base/CmdOpt.h"
#include "drivers/base/EArchiver.h"
#include "drivers/base/UnsetMarker.h"
#include "platform/rtl/Exception.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/TempDir.h"

namespace {
const std::string kQuoteMessage = "ファイル名やオプションに使えない文字 (\") が含まれています: ";

std::string Built(bool spaced, const std::function<void(TCmdOpt&)>& add) {
  TCmdOpt builder;
  builder.Spaced = spaced;
  add(builder);
  return builder.Text;
}

TEST(CmdOptTest, IntSwitchIsWrittenUnlessMinusOne) {
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddIntSwitch("a", 1); }), " -a1");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddIntSwitch("a", -1); }), "");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddIntSwitch("a", -2); }), " -a-2");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddIntSwitch("a", 0); }), " -a0");
  EXPECT_EQ(Built(true, [](TCmdOpt& b) { b.AddIntSwitch("", 9); }), " -9");
}

TEST(CmdOptTest, SwitchWithValueJoinedOrSpaced) {
  const struct {
    const char* name;
    std::string switchName;
    std::string value;
    std::string joined;
    std::string spaced;
  } cases[] = {
      {"Value", "w", "abc", R"( "-wabc")", R"( -w "abc")"},
      {"UnsetValueAddsNothing", "w", UnsetMarker(), "", ""},
      {"EmptyValueIsWritten", "w", "", R"( "-w")", R"( -w "")"},
      {"LeadingBlankMeansNoDash", " x", "v", R"( "xv")", R"( x "v")"},
      {"NoNameIsAQuotedValue", "", "/a b/c", R"( "/a b/c")", R"( "/a b/c")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Built(false, [&](TCmdOpt& b) { b.AddSwitch(c.switchName, c.value); }), c.joined) << c.name;
    EXPECT_EQ(Built(true, [&](TCmdOpt& b) { b.AddValue(c.switchName, c.value); }), c.spaced) << c.name;
  }
}

TEST(CmdOptTest, AppendAddsOneBlankThenTheTextAsIs) {
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.Append(""); }), " ");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.Append("-x \"y\""), b.Append("z"); }), " -x \"y\" z");
}

TEST(CmdOptTest, PathEndsInOneDelimiter) {
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddPath("", "/work"); }), R"( "/work/")");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddPath("", "/work/"); }), R"( "/work/")");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddPath("", ""); }), "");
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddPath("w", UnsetMarker()); }), "");
  EXPECT_EQ(Built(true, [](TCmdOpt& b) { b.AddPath("o", "/x"); }), R"( -o "/x/")");
  ScopedCodePage shiftJis(TCodePage::ShiftJis);
  EXPECT_EQ(Built(false, [](TCmdOpt& b) { b.AddPath("", "/\x95\x5C"); }), " \"/\x95\x5C/\"");
}

TEST(CmdOptTest, FileNamesPassThroughTheFilter) {
  TCmdOpt builder;
  builder.NameFilter = [](const std::string& name) { return "<" + name + ">"; };
  builder.AddFileNames("", ListOf({"a", ""}));
  builder.AddPath("", "/d");
  EXPECT_EQ(builder.Text, R"( "<a>" "<>" "/d/")");
}

class ResponseFileTest : public ::testing::Test {
 protected:
  TempDir temp_;
  std::string path_ = temp_ / "list.txt";
  TCmdOpt builder_;
};

TEST_F(ResponseFileTest, OneQuotedNamePerCrLfLineAndTheAtArgument) {
  WriteFile(path_, std::string(200, 'o'));  // an older, longer file is replaced
  builder_.NameFilter = [](const std::string& name) { return name == "b\\c" ? std::string("b/c") : name; };
  builder_.WriteResponseFile(ListOf({"a b.txt", "b\\c", ""}), path_);
  EXPECT_EQ(ReadFile(path_), "\"a b.txt\"\r\n\"b/c\"\r\n\"\"\r\n");
  EXPECT_EQ(builder_.Text, " \"@" + path_ + "\"");
}

TEST_F(ResponseFileTest, EmptyListGivesAnEmptyFile) {
  builder_.WriteResponseFile(TStringList(), path_);
  EXPECT_TRUE(std::filesystem::exists(path_));
  EXPECT_EQ(ReadFile(path_), "");
  EXPECT_EQ(builder_.Text, " \"@" + path_ + "\"");
}

TEST_F(ResponseFileTest, UncreatableFileRaisesTheStreamError) {
  EXPECT_THROW(builder_.WriteResponseFile(ListOf({"a"}), temp_ / "missing/list.txt"), EFCreateError);
  EXPECT_EQ(builder_.Text, "");
}

// A double quote would close the quoted value early; the builder refuses it
// before anything is added or written.
TEST_F(ResponseFileTest, DoubleQuoteIsRefusedBeforeAnythingIsWritten) {
  WriteFile(path_, "EARLIER");
  EXPECT_EQ(RaisedMessage([&] { builder_.WriteResponseFile(ListOf({"ok", "a\"b"}), path_); }), kQuoteMessage + "a\"b");
  EXPECT_EQ(ReadFile(path_), "EARLIER");
  const std::string quotedPath = temp_ / "li\"st.txt";
  EXPECT_EQ(RaisedMessage([&] { builder_.WriteResponseFile(ListOf({"ok"}), quotedPath); }),
            kQuoteMessage + "@" + quotedPath);
  EXPECT_FALSE(std::filesystem::exists(quotedPath));
  EXPECT_EQ(RaisedMessage([&] { builder_.AddSwitch("jo", "x\" -d \"y"); }), kQuoteMessage + "x\" -d \"y");
  EXPECT_EQ(RaisedMessage([&] { builder_.AddPath("", "/a\"b"); }), kQuoteMessage + "/a\"b/");
  EXPECT_EQ(builder_.Text, "");
}
}  // namespace
