// The re-dating run over fake libraries: what each file's row says, what its
// last-write time becomes, and how the run ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>

#include <QApplication>
#include <QWidget>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/DateTime.h"
#include "tests/app/DropHelpers.h"
#include "tests/app/RunWaits.h"
#include "tests/support/DateFormats.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace {
struct Moment {
  int year, month, day, hour, minute, second;
};

// One fake entry with its DOS date and time words as given.
FakeEntry RawEntry(const std::string& name, unsigned date, unsigned time) {
  return {name, static_cast<std::uint16_t>(date), static_cast<std::uint16_t>(time)};
}

// The entry of a calendar moment, packed as DOS packs it.
FakeEntry Entry(const std::string& name, Moment m) {
  return RawEntry(name, ((m.year - 1980) << 9) | (m.month << 5) | m.day,
                  (m.hour << 11) | (m.minute << 5) | (m.second / 2));
}

std::time_t LocalSeconds(Moment m) {
  std::tm tm{};
  tm.tm_year = m.year - 1900;
  tm.tm_mon = m.month - 1;
  tm.tm_mday = m.day;
  tm.tm_hour = m.hour;
  tm.tm_min = m.minute;
  tm.tm_sec = m.second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

const Moment kOld{2020, 1, 2, 3, 4, 6};

class RedateRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    SetCommandLine(std::vector<std::string>{"dovanel"});
    UseYmdHmsFormats();
    UseFakeLibraries({"lha"});
    ReleaseAllDriverUnits();
    lha_.Clear();
    form_ = std::make_unique<Tdovanel>(nullptr);
  }
  void TearDown() override {
    form_.reset();
    ReleaseAllDriverUnits();
  }

  // An archive-named file with an old time.
  std::string MakeFile(const std::string& name) {
    const std::string path = dir_ / name;
    WriteFile(path, "not read by the fake");
    SetMTime(path, LocalSeconds(kOld));
    return path;
  }

  void Run(const std::vector<std::string>& paths) {
    TStringList files;
    for (const auto& path : paths) files.Add(path);
    form_->FileDrop1FileDrop(nullptr, files.Count(), files, 0, 0);
    WaitForRunEnd(*form_);
  }

  // Starts a run over `paths` with the window shown and lets the loop run
  // until the fake library holds the run in its first listing.
  void StartHeldInFirstListing(TListingHold& hold, const std::vector<std::string>& paths) {
    form_->Show();
    lha_.Config().whileListing = [this, &hold] {
      lha_.Config().whileListing = nullptr;
      hold.Arrive();
    };
    TStringList files;
    for (const auto& path : paths) files.Add(path);
    form_->FileDrop1FileDrop(nullptr, files.Count(), files, 0, 0);
    ASSERT_TRUE(hold.WaitForArrival());
  }

  // Row r of the three lists as one line.
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    EXPECT_EQ(form_->ListBox1->Count(), form_->ListBox2->Count());
    EXPECT_EQ(form_->ListBox1->Count(), form_->ListBox3->Count());
    for (int r = 0; r < form_->ListBox1->Count(); ++r)
      rows.push_back(form_->ListBox1->Item(r) + " => " + form_->ListBox3->Item(r));
    return rows;
  }

  TempDir dir_;
  FakeLibrary lha_{"lha", "UNLHA32.DLL"};
  std::unique_ptr<Tdovanel> form_;
};

TEST_F(RedateRunTest, ArchiveTakesItsNewestEntrysLocalTime) {
  const std::string archive = MakeFile("a.lzh");
  lha_.Config().entries = {Entry("old.txt", {1999, 12, 31, 23, 59, 58}), Entry("new.txt", {2001, 5, 6, 10, 20, 30}),
                           Entry("mid.txt", {2001, 5, 6, 9, 0, 0})};
  Run({archive});

  EXPECT_EQ(Rows(), std::vector<std::string>{archive + " => 2001/05/06 | 10:20:30"});
  EXPECT_EQ(form_->ListBox2->Item(0), "2020/01/02 | 03:04:06");
  EXPECT_EQ(MTime(archive), LocalSeconds({2001, 5, 6, 10, 20, 30}));
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
  EXPECT_EQ(form_->Label1->FontColor(), clRed);
  EXPECT_FALSE(form_->Label1->FontBold());
  EXPECT_EQ(form_->Caption(), "DV - 1 re-dated, 0 left, 0 not handled");
  EXPECT_EQ(form_->ListBox1->ItemIndex(), 0);
  EXPECT_EQ(form_->ListBox3->ItemIndex(), 0);
}

TEST_F(RedateRunTest, LaterTimeOfTheSameNewestDayWinsWhateverTheOrder) {
  for (const bool laterFirst : {true, false}) {
    const std::string archive = MakeFile(laterFirst ? "first.lzh" : "second.lzh");
    const FakeEntry later = Entry("later", {2010, 1, 1, 18, 0, 0});
    const FakeEntry earlier = Entry("earlier", {2010, 1, 1, 6, 0, 0});
    lha_.Config().entries =
        laterFirst ? std::vector<FakeEntry>{later, earlier} : std::vector<FakeEntry>{earlier, later};
    Run({archive});
    EXPECT_EQ(MTime(archive), LocalSeconds({2010, 1, 1, 18, 0, 0})) << "later first: " << laterFirst;
  }
}

TEST_F(RedateRunTest, EntriesThatAreNoCalendarValueArePassedOver) {
  const std::string mixed = MakeFile("mixed.lzh");
  // Month 13, day 0, hour 24 and 62 seconds, around one valid entry.
  lha_.Config().entries = {RawEntry("bad-month", (30u << 9) | (13u << 5) | 1u, 0),
                           RawEntry("bad-day", (40u << 9) | (1u << 5) | 0u, 0), Entry("good", {2003, 3, 3, 3, 3, 4}),
                           RawEntry("bad-hour", (41u << 9) | (1u << 5) | 1u, 24u << 11),
                           RawEntry("bad-second", (42u << 9) | (1u << 5) | 1u, 0x1F)};
  Run({mixed});
  EXPECT_EQ(Rows(), std::vector<std::string>{mixed + " => 2003/03/03 | 03:03:04"});
  EXPECT_EQ(MTime(mixed), LocalSeconds({2003, 3, 3, 3, 3, 4}));
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
}

TEST_F(RedateRunTest, ArchiveWithoutValidEntriesKeepsItsTime) {
  struct Case {
    const char* name;
    std::vector<FakeEntry> entries;
    bool acceptOpen;
    const char* row;
  };
  // clang-format off
  const Case cases[] = {
      {"empty.lzh", {}, true, "No Entry"},
      {"only-bad.lzh", {RawEntry("bad", 0, 0)}, true, "No Entry"},
      {"unopenable.lzh", {Entry("never", {2005, 5, 5, 5, 5, 6})}, false, "Not Read"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::string archive = MakeFile(c.name);
    lha_.Config().entries = c.entries;
    lha_.Config().acceptOpen = c.acceptOpen;
    Run({archive});
    EXPECT_EQ(Rows(), std::vector<std::string>{archive + " => " + c.row}) << c.name;
    EXPECT_EQ(MTime(archive), LocalSeconds(kOld)) << c.name;
  }
}

TEST_F(RedateRunTest, ListingIsOpenedWalkedAndClosedThroughTheLibrary) {
  const std::string archive = MakeFile("walk.lzh");
  lha_.Config().entries = {Entry("one", {2001, 1, 1, 0, 0, 0}), Entry("two", {2002, 2, 2, 0, 0, 0})};
  Run({archive});
  const auto calls = lha_.Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].rfind("OpenArchive(window=0x", 0), 0u) << "the main window is the owner: " << calls[0];
  EXPECT_NE(calls[0].find("path=" + archive + ", mode=0x0)"), std::string::npos) << calls[0];
  EXPECT_EQ(calls[1], "FindFirst(17185, *.*)");
  EXPECT_EQ(calls[2], "FindNext(17185)");
  EXPECT_EQ(calls[3], "FindNext(17185)");
  EXPECT_EQ(calls[4], "CloseArchive(17185)");
}

TEST_F(RedateRunTest, NonArchivesMissingLibrariesAndReadOnlyFiles) {
  const std::string text = MakeFile("notes.txt");
  const std::string zip = MakeFile("b.zip");  // no ZIP library is present
  const std::string readOnly = MakeFile("c.lzh");
  const std::string writable = MakeFile("d.lzh");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  lha_.Config().entries = {Entry("x", {2011, 11, 11, 11, 11, 12})};
  Run({text, zip, readOnly, writable});

  EXPECT_EQ(Rows(),
            (std::vector<std::string>{text + " => No Archive", zip + " => Skip", readOnly + " => Not Set (read-only)",
                                      writable + " => 2011/11/11 | 11:11:12"}));
  EXPECT_EQ(form_->ListBox2->Item(0), "2020/01/02 | 03:04:06");
  EXPECT_EQ(MTime(text), LocalSeconds(kOld));
  EXPECT_EQ(MTime(zip), LocalSeconds(kOld));
  EXPECT_EQ(MTime(readOnly), LocalSeconds(kOld));
  EXPECT_EQ(MTime(writable), LocalSeconds({2011, 11, 11, 11, 11, 12}));
  EXPECT_EQ(form_->Label1->Caption(), "Some archives were skipped: their library is missing");
  EXPECT_EQ(form_->Label1->FontColor(), clPurple);
  EXPECT_TRUE(form_->Label1->FontBold());
}

TEST_F(RedateRunTest, FileHeldByAnotherKeepsItsTime) {
  const std::string archive = MakeFile("held.lzh");
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  const int fd = ::open(archive.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  Run({archive});
  ::close(fd);
  // Not the time it would have had: the row says why it keeps the old one.
  EXPECT_EQ(Rows(), std::vector<std::string>{archive + " => Not Set (another process holds the file)"});
  EXPECT_EQ(MTime(archive), LocalSeconds(kOld));
  EXPECT_EQ(form_->Label1->Caption(), "The dates of some archives could not be set");
  EXPECT_EQ(form_->Label1->FontColor(), clPurple);
}

// The time goes only onto the file that was listed: whatever takes the path's
// place while its library lists it (root scanning a shared folder must not
// date a file somebody else points the path at) keeps its time.
TEST_F(RedateRunTest, WhatTakesTheArchivesPlaceDuringItsListingKeepsItsTime) {
  struct Case {
    const char* name;
    std::function<void(const std::string& archive, const std::string& other)> swap;
  };
  const Case cases[] = {
      {"a link to another file",
       [](const std::string& archive, const std::string& other) {
         ASSERT_EQ(::unlink(archive.c_str()), 0);
         ASSERT_EQ(::symlink(other.c_str(), archive.c_str()), 0);
       }},
      {"another file renamed over it",
       [](const std::string& archive, const std::string& other) {
         ASSERT_EQ(::rename(other.c_str(), archive.c_str()), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string archive = MakeFile("swapped.lzh");
    const std::string victim = MakeFile("victim.conf");
    lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
    lha_.Config().whileListing = [&] { c.swap(archive, victim); };
    Run({archive});
    lha_.Config().whileListing = nullptr;
    EXPECT_EQ(Rows(),
              std::vector<std::string>{
                  archive + " => Not Set (another file took its place during the run; both are left as they are)"});
    EXPECT_EQ(MTime(archive), LocalSeconds(kOld)) << "what stands at the path now";
    EXPECT_EQ(form_->Label1->Caption(), "The dates of some archives could not be set");
    std::filesystem::remove(archive);
    std::filesystem::remove(victim);
  }
}

TEST_F(RedateRunTest, AnArchiveNamedThroughALinkIsRedated) {
  const std::string archive = MakeFile("target.lzh");
  const std::string link = dir_ / "link.lzh";
  ASSERT_EQ(::symlink(archive.c_str(), link.c_str()), 0);
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  Run({link});
  EXPECT_EQ(Rows(), std::vector<std::string>{link + " => 2012/12/12 | 12:12:12"});
  EXPECT_EQ(MTime(archive), LocalSeconds({2012, 12, 12, 12, 12, 12}));
}

// Another run over the same tree holds its lock for an instant only: that is
// waited out, not reported as a file somebody keeps open.
TEST_F(RedateRunTest, ALockHeldForAnInstantIsWaitedFor) {
  const std::string archive = MakeFile("busy.lzh");
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  const int fd = ::open(archive.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  std::thread releaser;
  lha_.Config().whileListing = [&] {
    releaser = std::thread([fd] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ::close(fd);
    });
  };
  Run({archive});
  lha_.Config().whileListing = nullptr;
  releaser.join();
  EXPECT_EQ(Rows(), std::vector<std::string>{archive + " => 2012/12/12 | 12:12:12"});
  EXPECT_EQ(MTime(archive), LocalSeconds({2012, 12, 12, 12, 12, 12}));
}

// Closing the window while a run lists an archive: that archive is finished,
// no other is begun, and the window goes once the run has stopped.
TEST_F(RedateRunTest, ClosingTheWindowDuringARunStopsAfterTheArchiveAtHand) {
  const std::vector<std::string> archives{MakeFile("1.lzh"), MakeFile("2.lzh"), MakeFile("3.lzh")};
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  TListingHold hold;
  StartHeldInFirstListing(hold, archives);
  if (HasFatalFailure()) return;
  form_->Widget()->close();
  QApplication::processEvents();
  EXPECT_TRUE(form_->Visible()) << "the window waits for the archive at hand";
  hold.Release();
  EXPECT_TRUE(LoopUntil([&] { return !form_->Visible(); })) << "closed once the run stopped";
  EXPECT_FALSE(form_->Running());
  EXPECT_EQ(form_->ListBox3->Count(), 1);
  EXPECT_EQ(form_->ListBox3->Item(0), "2012/12/12 | 12:12:12");
  EXPECT_EQ(MTime(archives[0]), LocalSeconds({2012, 12, 12, 12, 12, 12}));
  EXPECT_EQ(MTime(archives[1]), LocalSeconds(kOld));
  EXPECT_EQ(MTime(archives[2]), LocalSeconds(kOld));
}

// Closed while a drop's run waits behind the archive at hand: that archive is
// finished, the waiting run begins nothing, and the window goes.
TEST_F(RedateRunTest, ClosingTheWindowWhileADroppedRunWaitsEndsBoth) {
  const std::string first = MakeFile("1.lzh");
  const std::string dropped = MakeFile("dropped.lzh");
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  TListingHold hold;
  StartHeldInFirstListing(hold, {first});
  if (HasFatalFailure()) return;
  EXPECT_TRUE(drop_helpers::DropFiles(form_->Widget(), {dropped}));
  form_->Widget()->close();
  hold.Release();
  EXPECT_TRUE(LoopUntil([&] { return !form_->Visible(); }, {}, std::chrono::seconds(20))) << "the window closes";
  EXPECT_EQ(MTime(first), LocalSeconds({2012, 12, 12, 12, 12, 12}));
  EXPECT_EQ(MTime(dropped), LocalSeconds(kOld)) << "the waiting run began nothing";
}

// While an archive is listed the window goes on answering: a drop then is
// taken at once and starts a run of its own; the run under way finishes the
// archive at hand without a row and goes no further.
TEST_F(RedateRunTest, ADropWhileAnArchiveIsListedStartsARunTheOuterOneYieldsTo) {
  const std::string first = MakeFile("outer/1.lzh");
  const std::string second = MakeFile("outer/2.lzh");
  const std::string inner = MakeFile("inner.lzh");
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  TListingHold hold;
  StartHeldInFirstListing(hold, {dir_ / "outer"});
  if (HasFatalFailure()) return;
  EXPECT_EQ(form_->Label1->Caption(), first) << "the label names the archive being listed";
  EXPECT_EQ(form_->Caption(), "running... 0/2");

  EXPECT_TRUE(drop_helpers::DropFiles(form_->Widget(), {inner})) << "the drop is taken during the listing";
  EXPECT_EQ(form_->ListBox1->Count(), 1) << "the lists show the new run at once";
  hold.Release();
  WaitForRunEnd(*form_);

  EXPECT_EQ(Rows(), std::vector<std::string>{inner + " => 2012/12/12 | 12:12:12"});
  EXPECT_EQ(MTime(inner), LocalSeconds({2012, 12, 12, 12, 12, 12}));
  EXPECT_EQ(MTime(first), LocalSeconds({2012, 12, 12, 12, 12, 12})) << "the archive at hand is finished";
  EXPECT_EQ(MTime(second), LocalSeconds(kOld)) << "the outer run went no further";
  EXPECT_EQ(form_->Label1->Caption(), "Finish") << "the label tells the new run's end";
  EXPECT_EQ(form_->Caption(), "DV - 1 re-dated, 0 left, 0 not handled");
}

// The caption counts the files done while the run goes on, and what became
// of the archives when it ends; files that are no archive count for nothing.
TEST_F(RedateRunTest, TheCaptionShowsProgressAndThenWhatBecameOfTheArchives) {
  form_->Show();
  const std::string dated = MakeFile("a1.lzh");
  const std::string empty = MakeFile("a2.lzh");
  const std::string readOnly = MakeFile("a3.lzh");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  const std::string text = MakeFile("a4.txt");
  const std::string redatedToo = MakeFile("a5.lzh");
  std::vector<std::string> captions;
  int listing = 0;
  // clang-format off
  lha_.Config().whileListing = [&] {
    // The second archive lists no entry.
    lha_.Config().entries = ++listing == 2 ? std::vector<FakeEntry>{}
                                           : std::vector<FakeEntry>{Entry("x", {2012, 12, 12, 12, 12, 12})};
  };
  // clang-format on
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  TStringList files;
  files.Add(dir_.path().string());
  form_->FileDrop1FileDrop(nullptr, files.Count(), files, 0, 0);
  WaitForRunEnd(*form_, [&] {
    if (captions.empty() || captions.back() != form_->Caption()) captions.push_back(form_->Caption());
  });
  lha_.Config().whileListing = nullptr;
  ASSERT_FALSE(captions.empty());
  int done = -1;
  for (const std::string& caption : captions) {
    if (caption.rfind("running... ", 0) != 0) continue;
    const int now = std::stoi(caption.substr(11));
    EXPECT_GE(now, done) << caption;
    EXPECT_EQ(caption.substr(caption.find('/')), "/5") << caption;
    done = now;
  }
  EXPECT_EQ(form_->Caption(), "DV - 2 re-dated, 2 left, 0 not handled")
      << "a1 and a5 re-dated, a2 (no entry) and a3 (read-only) left";
  EXPECT_EQ(MTime(empty), LocalSeconds(kOld));
  EXPECT_EQ(MTime(dated), LocalSeconds({2012, 12, 12, 12, 12, 12}));
  EXPECT_EQ(MTime(redatedToo), LocalSeconds({2012, 12, 12, 12, 12, 12}));
}

// A start with paths shows its window first and fills it as the run goes.
TEST_F(RedateRunTest, AStartWithPathsMakesItsWindowBeforeTheRunEnds) {
  form_.reset();
  const std::string archive = MakeFile("start.lzh");
  lha_.Config().entries = {Entry("x", {2012, 12, 12, 12, 12, 12})};
  TListingHold hold;
  lha_.Config().whileListing = [&] { hold.Arrive(); };
  SetCommandLine(std::vector<std::string>{"dovanel", archive});
  form_ = std::make_unique<Tdovanel>(nullptr);
  EXPECT_TRUE(form_->Running()) << "the form is made while the archive is still to be listed";
  EXPECT_NE(form_->Widget(), nullptr);
  ASSERT_TRUE(hold.WaitForArrival());
  EXPECT_EQ(form_->ListBox1->Count(), 1);
  EXPECT_EQ(form_->ListBox3->Count(), 0);
  hold.Release();
  WaitForRunEnd(*form_);
  lha_.Config().whileListing = nullptr;
  EXPECT_EQ(Rows(), std::vector<std::string>{archive + " => 2012/12/12 | 12:12:12"});
}

TEST_F(RedateRunTest, FoldersExpandDepthFirstInNameOrder) {
  const std::string single = MakeFile("single.lzh");
  // Made out of order: each folder's entries read in byte order of their names.
  for (const char* name : {"top.txt", "s14.lzh", "sub/deep.txt", "s01.lzh", "a.txt", "s05.lzh"})
    WriteFile(dir_.path() / "tree" / name, "");
  std::filesystem::create_directories(dir_.path() / "tree" / "empty" / "emptier");
  // A link back up the tree must not be followed.
  std::filesystem::create_directory_symlink(dir_.path() / "tree", dir_.path() / "tree" / "loop");
  ASSERT_EQ(::mkfifo((dir_.path() / "tree" / "pipe.zip").c_str(), 0644), 0);
  Run({single, dir_ / "tree", dir_ / "missing"});

  std::vector<std::string> files;
  for (int r = 0; r < form_->ListBox1->Count(); ++r) files.push_back(form_->ListBox1->Item(r));
  const std::string tree = dir_ / "tree";
  EXPECT_EQ(files, (std::vector<std::string>{single, tree + "/a.txt", tree + "/s01.lzh", tree + "/s05.lzh",
                                             tree + "/s14.lzh", tree + "/sub/deep.txt", tree + "/top.txt"}));
}

TEST_F(RedateRunTest, FileNamedTwiceIsExaminedTwice) {
  const std::string archive = MakeFile("twice.lzh");
  lha_.Config().entries = {Entry("x", {2001, 2, 3, 4, 5, 6})};
  Run({archive, archive});
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{archive + " => 2001/02/03 | 04:05:06", archive + " => 2001/02/03 | 04:05:06"}));
}

TEST_F(RedateRunTest, EmptyDropClearsTheListsAndFinishes) {
  const std::string archive = MakeFile("first.lzh");
  lha_.Config().entries = {Entry("x", {2001, 2, 3, 4, 5, 6})};
  Run({archive});
  ASSERT_EQ(form_->ListBox1->Count(), 1);
  Run({});
  EXPECT_EQ(form_->ListBox1->Count(), 0);
  EXPECT_EQ(form_->ListBox2->Count(), 0);
  EXPECT_EQ(form_->ListBox3->Count(), 0);
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
  EXPECT_EQ(form_->ListBox1->ItemIndex(), -1);
}

TEST_F(RedateRunTest, RunWorksWhateverTheRegionalDateFormat) {
  FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  FormatSettings().DateSeparator = '.';
  const std::string archive = MakeFile("regional.lzh");
  lha_.Config().entries = {Entry("x", {2001, 2, 3, 4, 5, 6})};
  Run({archive});
  EXPECT_EQ(Rows(), std::vector<std::string>{archive + " => 03.02.2001 | 04:05:06"});
  EXPECT_EQ(MTime(archive), LocalSeconds({2001, 2, 3, 4, 5, 6}));
}
}  // namespace
