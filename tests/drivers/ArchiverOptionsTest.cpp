// The option set: its initial values, reset, and copying into another set
// (every property, jx's strings not shared) or into anything else (the
// framework's conversion error).
#include <gtest/gtest.h>

#include <string>

#include "drivers/base/ArchiverOptions.h"
#include "platform/rtl/Exception.h"
#include "tests/support/Raised.h"

namespace {
// Every switch option by name and value, one line each, so one comparison
// shows every difference.
std::string Rendered(const TArchiverOptions& o) {
  std::string text;
#define DV_RENDER_NUMBER(name) text += #name "=" + std::to_string(o.name) + "\n";
#define DV_RENDER_TEXT(name) text += #name "=" + (IsUnset(o.name) ? std::string("(unset)") : "[" + o.name + "]") + "\n";
#define DV_RENDER_LIST(name)                                       \
  text += #name "=";                                               \
  for (const std::string& line : o.name) text += "[" + line + "]"; \
  text += "\n";
  DV_OPTION_SWITCHES(DV_RENDER_NUMBER, DV_RENDER_TEXT, DV_RENDER_LIST)
#undef DV_RENDER_NUMBER
#undef DV_RENDER_TEXT
#undef DV_RENDER_LIST
  text += "UserOptions=[" + o.UserOptions + "]\nUserFileList=[" + o.UserFileList + "]\n";
  text += "PackFilter=" + std::to_string(o.PackFilter) + "\nResFileName=[" + o.ResFileName + "]\n";
  text += "ResFileUsage=" + std::to_string(o.ResFileUsage.Bits()) + "\n";
  return text;
}

const char* const kInitial =
    "a=-1\nc=-1\ne=-1\nf=-1\nh=-1\ni=-1\nl=-1\nm=-1\nn=-1\no=-1\np=-1\nr=-1\ns=-1\nt=-1\nu=-1\nw=(unset)\n"
    "x=-1\ny=-1\nz=-1\njc=-1\njd=-1\nje=-1\njf=-1\njh=-1\nji=-1\njm=-1\njn=-1\njo=(unset)\njob=(unset)\n"
    "jp=-1\njr=-1\njss=-1\njw=-1\njx=\njyc=-1\njyd=-1\njyk=-1\njyn=-1\njyo=-1\njz=(unset)\n"
    "ga=-1\ngd=-1\nge=-1\ngf=-1\ngj=-1\ngm=-1\ngn=-1\ngo=-1\ngp=-1\ngr=(unset)\ngs=-1\ngu=-1\ngw=-1\n"
    "UserOptions=[]\nUserFileList=[]\nPackFilter=0\nResFileName=[]\nResFileUsage=7\n";

// Gives every property a value of its own, none of them the initial one.
void FillDistinct(TArchiverOptions& o) {
  int k = 0;
#define DV_FILL_NUMBER(name) o.name = static_cast<std::int8_t>(++k);
#define DV_FILL_TEXT(name) o.name = "t" + std::to_string(++k);
#define DV_FILL_LIST(name) o.name.Clear(), o.name.Add("x1"), o.name.Add("");
  DV_OPTION_SWITCHES(DV_FILL_NUMBER, DV_FILL_TEXT, DV_FILL_LIST)
#undef DV_FILL_NUMBER
#undef DV_FILL_TEXT
#undef DV_FILL_LIST
  o.UserOptions = "-uo";
  o.UserFileList = "ufl";
  o.PackFilter = pfComponent;
  o.ResFileName = "/r.txt";
  o.ResFileUsage = TResFileUsage{ruOnUpdate};
}

class TOtherPersistent : public TPersistent {
 public:
  std::string ClassName() const override { return "TOtherPersistent"; }
};

class TDerivedOptions : public TArchiverOptions {
 public:
  std::string ClassName() const override { return "TDerivedOptions"; }
};

TEST(ArchiverOptionsTest, StartsAndResetsToTheInitialValues) {
  TArchiverOptions options;
  EXPECT_EQ(Rendered(options), kInitial);
  FillDistinct(options);
  ASSERT_NE(Rendered(options), kInitial);
  options.ResetOptions();
  EXPECT_EQ(Rendered(options), kInitial);
}

TEST(ArchiverOptionsTest, CopiesEveryPropertyIntoAnotherSet) {
  TArchiverOptions source;
  FillDistinct(source);
  TArchiverOptions target;
  target.jx.Add("old line");
  target.Assign(&source);
  EXPECT_EQ(Rendered(target), Rendered(source));

  TDerivedOptions derived;
  source.AssignTo(derived);
  EXPECT_EQ(Rendered(derived), Rendered(source));
}

TEST(ArchiverOptionsTest, CopyHasAListOfItsOwn) {
  TArchiverOptions source;
  source.jx.Add("a");
  TArchiverOptions target;
  source.AssignTo(target);
  source.jx.Add("b");
  source.jx[0] = "changed";
  ASSERT_EQ(target.jx.Count(), 1);
  EXPECT_EQ(target.jx[0], "a");
}

TEST(ArchiverOptionsTest, CopyingIntoItselfChangesNothing) {
  TArchiverOptions options;
  FillDistinct(options);
  const std::string before = Rendered(options);
  options.Assign(&options);
  EXPECT_EQ(Rendered(options), before);
}

TEST(ArchiverOptionsTest, AnyOtherClassRaisesTheConversionError) {
  TArchiverOptions options;
  TOtherPersistent other;
  EXPECT_EQ(RaisedMessage<EConvertError>([&] { options.AssignTo(other); }),
            "Cannot assign a TArchiverOptions to a TOtherPersistent");
  EXPECT_EQ(RaisedMessage<EConvertError>([&] { other.Assign(&options); }),
            "Cannot assign a TArchiverOptions to a TOtherPersistent");
  EXPECT_EQ(RaisedMessage<EConvertError>([&] { options.Assign(&other); }),
            "Cannot assign a TOtherPersistent to a TArchiverOptions");
  EXPECT_EQ(RaisedMessage<EConvertError>([&] { options.Assign(nullptr); }),
            "Cannot assign a nil to a TArchiverOptions");
  EXPECT_EQ(Rendered(options), kInitial);
}
}  // namespace
