// The catalogues the build makes are what both systems read: glibc's gettext
// on Linux, our own reader of the .mo file on Windows. The reader finds what
// gettext finds, and refuses a file that is cut or no catalogue.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/rtl/MoCatalogue.h"
#include "platform/rtl/Translate.h"
#include "tests/support/Language.h"
#include "tests/support/TempDir.h"

namespace {
std::string JapaneseCatalogue() { return std::string(CatalogueFolder()) + "/ja/LC_MESSAGES/dovanel.mo"; }

const char* const kSomeTexts[] = {"CAB32.DLL is needed to handle CAB archives.",
                                  "Some archives were skipped: their library is missing", "Finish",
                                  "Usage: dovanel [OPTION]... [PATH]...\n"};

TEST(TranslateTest, TheCLocaleKeepsTheEnglishText) {
  for (const char* text : kSomeTexts) EXPECT_STREQ(Translate(text), text);
  EXPECT_STREQ(Translate("a text no catalogue holds"), "a text no catalogue holds");
}

TEST(TranslateTest, TheCatalogueReaderFindsWhatGettextFinds) {
  TMoCatalogue catalogue;
  ASSERT_TRUE(catalogue.Load(JapaneseCatalogue())) << JapaneseCatalogue();
  EXPECT_GT(catalogue.Size(), 30u);
  const ScopedMessagesLocale japanese("ja_JP.UTF-8");
  ASSERT_TRUE(japanese.Chosen());
  for (const char* text : kSomeTexts) {
    const char* found = catalogue.Find(text);
    ASSERT_NE(found, nullptr) << text;
    EXPECT_STREQ(found, Translate(text)) << text;
  }
  EXPECT_STREQ(catalogue.Find("CAB32.DLL is needed to handle CAB archives."),
               "CAB 形式書庫を扱うには CAB32.DLL が 必要です。");
  EXPECT_EQ(catalogue.Find("a text no catalogue holds"), nullptr);
  EXPECT_EQ(catalogue.Find(""), nullptr) << "the header is no message";
}

TEST(TranslateTest, ACutOrForeignFileIsNoCatalogue) {
  const std::string whole = ReadFile(JapaneseCatalogue());
  ASSERT_GT(whole.size(), 100u);
  std::string swappedMagic = whole;
  swappedMagic[0] = '\x00';
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"only the magic number", whole.substr(0, 4)},
      {"cut inside the tables", whole.substr(0, 40)},
      {"cut before its last text ends", whole.substr(0, whole.size() - 2)},
      {"another magic number", swappedMagic},
      {"text", "msgid \"Finish\"\nmsgstr \"Finish\"\n"},
  };
  for (const Case& c : cases) {
    TMoCatalogue catalogue;
    EXPECT_FALSE(catalogue.Parse(c.bytes)) << c.name;
    EXPECT_EQ(catalogue.Size(), 0u) << c.name;
  }
  TMoCatalogue missing;
  EXPECT_FALSE(missing.Load(JapaneseCatalogue() + ".missing"));
}

// msgfmt writes the machine's byte order; a catalogue made on the other kind
// of machine says so by its magic number and reads the same.
TEST(TranslateTest, ACatalogueOfTheOtherByteOrderReadsTheSame) {
  const std::string whole = ReadFile(JapaneseCatalogue());
  TMoCatalogue native;
  ASSERT_TRUE(native.Parse(whole));
  // Every 32-bit word of the header and the two tables, reversed; the texts stay.
  std::string swapped = whole;
  const auto word = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(whole[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(whole[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(whole[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(whole[at + 3])) << 24;
  };
  const std::size_t count = word(8), originals = word(12), translations = word(16);
  const auto reverse = [&](std::size_t at) {
    std::swap(swapped[at], swapped[at + 3]);
    std::swap(swapped[at + 1], swapped[at + 2]);
  };
  for (std::size_t at = 0; at < 28; at += 4) reverse(at);
  for (std::size_t i = 0; i < 2 * count; ++i) {
    reverse(originals + 4 * i);
    reverse(translations + 4 * i);
  }
  TMoCatalogue other;
  ASSERT_TRUE(other.Parse(swapped));
  EXPECT_EQ(other.Size(), native.Size());
  for (const char* text : kSomeTexts) EXPECT_STREQ(other.Find(text), native.Find(text)) << text;
}
}  // namespace
