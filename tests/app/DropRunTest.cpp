// Drops on the main window, delivered through Qt as the desktop delivers
// them, start the re-dating run with our real libraries (one of them hidden):
// what the window shows while and after it runs, what gets re-dated, and a
// drop that arrives before the run has begun its first file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaObject>

#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/DateTime.h"
#include "platform/winapi/DragDrop.h"
#include "tests/app/DropHelpers.h"
#include "tests/app/RunWaits.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/DateFormats.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace {
namespace fs = std::filesystem;
using drop_helpers::DropFiles;

using sample_archives::kBefore;
using sample_archives::kNewestDos;
using sample_archives::kNewestText;
const char* const kSkipped = "Some archives were skipped: their library is missing";

class DropRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    TakeShownBoxes();
    SetCommandLine(std::vector<std::string>{"dovanel"});
    UseYmdHmsFormats();
    // Every real library but the LHA one.
    for (const char* name :
         {"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL", "CAB32.DLL", "UNARJ32J.DLL", "tar32.dll", "UNRAR32.DLL"}) {
      ASSERT_TRUE(fs::exists(OutputDir() / name)) << name << " is not built";
      fs::create_symlink(OutputDir() / name, libs_.path() / name);
    }
    UseFakeLibraries({}, {libs_.path().string()});
    ReleaseAllDriverUnits();
    baseline_ = LiveDropCount();

    sample_archives::MakeSources(src_.path(), "new.txt", "newest\n", "older\n");
    form_ = std::make_unique<Tdovanel>(nullptr);
  }
  void TearDown() override {
    form_.reset();
    ReleaseAllDriverUnits();
    EXPECT_EQ(LiveDropCount(), baseline_) << "every drop is released";
    EXPECT_TRUE(TakeShownBoxes().empty()) << "no error was reported";
  }

  // A real archive of the two entries, made by the usual tool, with an old time.
  std::string Archive(const std::string& relative, const std::string& command) {
    return sample_archives::MakeArchive(src_.path(), data_.path() / relative, command, "old.txt new.txt");
  }
  std::string Plain(const std::string& relative) {
    const std::string path = data_ / relative;
    WriteFile(path, "not an archive\n");
    SetMTime(path, kBefore);
    return path;
  }

  std::map<std::string, std::string> Outcomes() const { return sample_archives::RowOutcomes(*form_); }
  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (int r = 0; r < form_->ListBox1->Count(); ++r) paths.push_back(form_->ListBox1->Item(r));
    return paths;
  }

  TempDir libs_, src_, data_;
  std::unique_ptr<Tdovanel> form_;
  int baseline_ = 0;
};

TEST_F(DropRunTest, ADropOfAFileAndAFolderReDatesTheirArchives) {
  const std::string top = Archive("top.zip", "zip -q");
  const std::string folder = (data_.path() / "folder").string();
  const std::string zip = Archive("folder/a.zip", "zip -q");
  const std::string tar = Archive("folder/sub/b.tar", "tar cf");
  const std::string lzh = Plain("folder/c.lzh");
  const std::string text = Plain("folder/readme.txt");

  struct Look {
    std::string caption;
    std::string label;
  };
  std::vector<Look> looks;
  EXPECT_TRUE(DropFiles(form_->Widget(), {top, folder}));
  WaitForRunEnd(*form_, [&] {
    if (form_->Running()) looks.push_back({form_->Caption(), form_->Label1->Caption()});
  });

  const std::map<std::string, std::string> expected = {
      {top, kNewestText}, {zip, kNewestText}, {tar, kNewestText}, {lzh, "Skip"}, {text, "No Archive"}};
  EXPECT_EQ(Outcomes(), expected);
  EXPECT_EQ(form_->ListBox1->Item(0), top) << "the file dropped first comes first";
  for (const std::string& archive : {top, zip, tar}) EXPECT_EQ(MTime(archive), kNewestDos) << archive;
  for (const std::string& other : {lzh, text}) EXPECT_EQ(MTime(other), kBefore) << other;

  // While the run went on, the label named the files in their order and the
  // caption counted the files done.
  ASSERT_FALSE(looks.empty());
  std::size_t row = 0;
  for (const Look& look : looks) {
    EXPECT_EQ(look.caption.rfind("running... ", 0), 0u) << look.caption;
    EXPECT_EQ(look.caption.substr(look.caption.find('/')), "/5") << look.caption;
    if (look.label.empty()) continue;
    while (row < Paths().size() && Paths()[row] != look.label) ++row;
    EXPECT_LT(row, Paths().size()) << look.label << " shown out of order";
  }
  EXPECT_EQ(form_->Caption(), "DV - 3 re-dated, 0 left, 1 not handled");
  EXPECT_EQ(form_->Label1->Caption(), kSkipped);
  EXPECT_EQ(form_->Label1->FontColor(), clPurple);
  EXPECT_TRUE(form_->Label1->FontBold());
  for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) EXPECT_EQ(list->ItemIndex(), 0);
}

TEST_F(DropRunTest, ARunWithNothingSkippedEndsInRedAndTheCaptionStartsAsTheTitle) {
  EXPECT_EQ(form_->Caption(), "DOVANEL For Archiver");
  const std::string tgz = Archive("x.tgz", "tar czf");
  EXPECT_TRUE(DropFiles(form_->Widget(), {tgz, (data_.path() / "no such file").string()}));
  WaitForRunEnd(*form_);
  EXPECT_EQ(Outcomes(), (std::map<std::string, std::string>{{tgz, kNewestText}}));
  EXPECT_EQ(MTime(tgz), kNewestDos);
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
  EXPECT_EQ(form_->Label1->FontColor(), clRed);
  EXPECT_FALSE(form_->Label1->FontBold());
  EXPECT_EQ(form_->Caption(), "DV - 1 re-dated, 0 left, 0 not handled");
}

// Two drops that reach the window together: the second one's run overtakes
// the first before the worker has begun a file of it (or after one file at
// most), and the window shows the second run alone.
TEST_F(DropRunTest, ADropThatOvertakesARunLeavesTheWindowToTheNewRun) {
  TempDir outer;
  // The outer run's first file, which it may or may not have begun.
  sample_archives::MakeArchive(src_.path(), outer.path() / "a.zip", "zip -q", "old.txt new.txt");
  const std::string second =
      sample_archives::MakeArchive(src_.path(), outer.path() / "b.zip", "zip -q", "old.txt new.txt");
  const std::string inner = Archive("inner.tar", "tar cf");
  const auto outerMime = drop_helpers::FilesMime({outer.path().string()});
  const auto innerMime = drop_helpers::FilesMime({inner});
  drop_helpers::PostDrop(form_->Widget(), outerMime.get());
  drop_helpers::PostDrop(form_->Widget(), innerMime.get());
  QApplication::processEvents();
  WaitForRunEnd(*form_);

  // The window shows the nested run alone, its three lists in step.
  EXPECT_EQ(Paths(), std::vector<std::string>{inner}) << "the nested run refilled the lists";
  EXPECT_EQ(form_->ListBox2->Count(), 1);
  EXPECT_EQ(Outcomes(), (std::map<std::string, std::string>{{inner, kNewestText}}));
  EXPECT_EQ(form_->ListBox3->Count(), 1) << "the outer run adds no row after the nested one";
  EXPECT_EQ(MTime(inner), kNewestDos);
  EXPECT_EQ(MTime(second), kBefore) << "the outer run went no further than its first file";
  EXPECT_EQ(form_->Caption(), "DV - 1 re-dated, 0 left, 0 not handled");
  EXPECT_EQ(form_->Label1->Caption(), "Finish") << "the label tells the nested run's end";
  EXPECT_EQ(form_->Label1->FontColor(), clRed);
  for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) EXPECT_EQ(list->ItemIndex(), 0);
}
}  // namespace
