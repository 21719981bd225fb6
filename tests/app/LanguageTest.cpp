// The texts speak the language of the user's locale: English in an English
// locale and in the C locale, exactly the Japanese the program has always
// shown in a Japanese one, for the quiet run's lines and the window alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/Translate.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/RunWaits.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/Language.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;
using sample_archives::kBefore;
using sample_archives::kNewestDos;

struct Language {
  const char* locale;
  const char* missingCab;  // the reason of a CAB archive without CAB32.DLL
  const char* skipLabel;   // the label after a run that skipped an archive
  const char* skipRow;     // the skipped archive's row
  const char* refused;     // the first line for an unknown option "-x"
};

const Language kLanguages[] = {
    {"C", "CAB32.DLL is needed to handle CAB archives.", "Some archives were skipped: their library is missing", "Skip",
     "dovanel: unknown option '-x'"},
    {"en_US.UTF-8", "CAB32.DLL is needed to handle CAB archives.",
     "Some archives were skipped: their library is missing", "Skip", "dovanel: unknown option '-x'"},
    {"ja_JP.UTF-8", "CAB 形式書庫を扱うには CAB32.DLL が 必要です。", "一部 DLL が無いためスキップしました", "Skip",
     "dovanel: 不明なオプション '-x' です"},
};

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_archives::MakeNewest(sources_.path(), "new.txt", "newest\n");
    // A Shift-JIS name (表), whose bytes reach the line as they are.
    cab_ = sample_archives::MakeArchive(sources_.path(), set_ / "\x95\x5c.cab", "gcab -c", "new.txt");
    zip_ = sample_archives::MakeArchive(sources_.path(), set_ / "書庫.zip", "zip -q", "new.txt");
    LinkRealLibraries(libraries_.path().string(), {"CAB32.DLL"});
  }
  void TearDown() override { ReleaseAllDriverUnits(); }

  TempDir sources_, set_, libraries_;
  std::string cab_, zip_;
};

TEST_F(LanguageTest, AQuietRunWithoutALibraryTellsItInTheLocalesLanguage) {
  // The program alone in a folder with every library but CAB32.DLL.
  TempDir alone;
  const std::string program = alone / "dovanel";
  fs::copy_file(OutputDir() / "dovanel", program);
  LinkRealLibraries(alone.path().string(), {"CAB32.DLL"});
  const std::string searched = alone.path().string() + ", " + (alone.path().parent_path() / "lib" / "dovanel").string();
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.locale);
    SetMTime(cab_, kBefore);
    SetMTime(zip_, kBefore);
    const ProgramResult run = RunProgram(
        {"/Q", set_.path().string()},
        {{"LOCPATH", TestLocalesFolder()}, {"LC_ALL", language.locale}, {"DOVANEL_LIBRARY_PATH", std::nullopt}},
        program);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dovanel: " + cab_ + ": " + language.missingCab + " (searched " + searched +
                           ", then the system's library path)\n");
    EXPECT_EQ(MTime(cab_), kBefore);
    EXPECT_EQ(MTime(zip_), kNewestDos);
  }
}

TEST_F(LanguageTest, ARefusedOptionIsToldInTheLocalesLanguage) {
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.locale);
    const ProgramResult run =
        RunProgram({"-x", set_.path().string()}, {{"LOCPATH", TestLocalesFolder()}, {"LC_ALL", language.locale}});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), language.refused);
  }
}

TEST_F(LanguageTest, TheWindowsSkipLabelAndRowAreInTheLocalesLanguage) {
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.locale);
    const ScopedMessagesLocale messages(language.locale);
    ASSERT_TRUE(messages.Chosen());
    sample_archives::PrepareRealRun();
    UseFakeLibraries({}, {libraries_.path().string()});
    const auto form = std::make_unique<Tdovanel>(nullptr);
    TStringList files;
    files.Add(set_.path().string());
    form->FileDrop1FileDrop(nullptr, 1, files, 0, 0);
    WaitForRunEnd(*form);
    const auto rows = sample_archives::RowOutcomes(*form);
    EXPECT_EQ(rows.at(cab_), language.skipRow);
    EXPECT_EQ(rows.at(zip_), sample_archives::kNewestText);
    EXPECT_EQ(form->Label1->Caption(), language.skipLabel);
    ReleaseAllDriverUnits();
  }
}

// Every text the program has always shown in Japanese is the same to the
// byte under a Japanese locale (the spaces before 必要です included).
TEST(LanguageCatalogueTest, JapaneseTextsAreTheProgramsOwnToTheByte) {
  const std::map<std::string, std::string> japanese = {
      {"Some archives were skipped: their library is missing", "一部 DLL が無いためスキップしました"},
      {"The dates of some archives could not be set", "一部の書庫の日付を設定できませんでした"},
      {"UNLHA32.DLL is needed to handle LHA archives.", "Lha 形式書庫を扱うには UNLHA32.DLL が 必要です。"},
      {"UNZIP32.DLL is needed to extract ZIP archives, and ZIP32J.DLL to create them.",
       "ZIP 形式書庫を解凍するには UNZIP32.DLL が、作成するには ZIP32J.DLL が必要です。"},
      {"CAB32.DLL is needed to handle CAB archives.", "CAB 形式書庫を扱うには CAB32.DLL が 必要です。"},
      {"UNARJ32J.DLL is needed to handle ARJ archives.", "ARJ 形式書庫を扱うには UNARJ32J.DLL が 必要です。"},
      {"tar32.dll is needed to handle tar/tgz/taz/bz2 archives.",
       "tar/tgz/taz/bz2 形式書庫を扱うには tar32.dll が 必要です。"},
      {"UNRAR32.DLL is needed to use this function.", "この機能の使用には UNRAR32.DLL が 必要です。"},
      {"7-ZIP32.DLL is needed to handle 7z archives.", "7z 形式書庫を扱うには 7-ZIP32.DLL が 必要です。"},
      // Captions the window has always shown in English stay English.
      {"Finish", "Finish"},
      {"running...", "running..."},
      {"No Entry", "No Entry"},
  };
  const ScopedMessagesLocale messages("ja_JP.UTF-8");
  ASSERT_TRUE(messages.Chosen());
  for (const auto& [english, shown] : japanese) EXPECT_EQ(Translate(english.c_str()), shown) << english;
}
}  // namespace
