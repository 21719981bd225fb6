// The window as the user watches a run: each list repainted while the run
// goes on beside the loop, a long path shown elided without widening the window,
// and row 0 selected and in view in all three lists at the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "tests/app/RunWaits.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace {
// 2001-05-06 10:20:30 as DOS date and time words.
const FakeEntry kEntry{"new.txt", 0x2AA6, 0x528F};
const char* const kEntryText = "2001/05/06 | 10:20:30";

// Dark pixels in the area of `part` (in its own coordinates) as the screen
// shows the window: what was last painted there, not a fresh rendering.
int InkAsShown(QWidget* window, QWidget* part, const QRect& area) {
  const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
  const QRect inWindow = QRect(part->mapTo(window, area.topLeft()), area.size()).intersected(shown.rect());
  int ink = 0;
  for (int y = inWindow.top(); y <= inWindow.bottom(); ++y)
    for (int x = inWindow.left(); x <= inWindow.right(); ++x) ink += qGray(shown.pixel(x, y)) < 128;
  return ink;
}

class RunWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_archives::PrepareRealRun();
    TakeShownBoxes();
    // No driver unit is loaded yet: the fake LHA library is the one found.
    UseFakeLibraries({"lha"});
    lha_.Clear();
    lha_.Config().entries = {kEntry};
    form_ = std::make_unique<Tdovanel>(nullptr);
    form_->Show();
    QApplication::processEvents();
  }
  void TearDown() override {
    form_.reset();
    ReleaseAllDriverUnits();
    EXPECT_TRUE(TakeShownBoxes().empty()) << "no error was reported";
  }

  // A folder of `count` archives the fake library lists, s01.lzh onwards.
  std::string Folder(int count) {
    for (int i = 1; i <= count; ++i)
      WriteFile(dir_.path() / "many" / ((i < 10 ? "s0" : "s") + std::to_string(i) + ".lzh"), "");
    return dir_ / "many";
  }
  // Runs over `paths` and, while the library lists the archive of row
  // `heldRow`, lets the loop run a little and then calls `look`.
  void RunLookingAt(const std::vector<std::string>& paths, int heldRow, const std::function<void()>& look) {
    TListingHold hold;
    int listing = 0;
    lha_.Config().whileListing = [&] {
      if (listing++ == heldRow) hold.Arrive();
    };
    TStringList files;
    for (const auto& path : paths) files.Add(path);
    form_->FileDrop1FileDrop(nullptr, files.Count(), files, 0, 0);
    const bool held = hold.WaitForArrival();
    EXPECT_TRUE(held) << "the run reached row " << heldRow;
    if (held) {
      // The rows done by now have had their passes to be painted.
      LoopUntil([&] { return form_->ListBox3->Count() == heldRow; });
      for (int pass = 0; pass < 5; ++pass) QApplication::processEvents();
      look();
    }
    hold.Release();
    WaitForRunEnd(*form_);
    lha_.Config().whileListing = nullptr;
  }

  ScopedRuntimeFolder runtime_;  // a shown window listens there for other instances
  TempDir dir_;
  FakeLibrary lha_{"lha", "UNLHA32.DLL"};
  std::unique_ptr<Tdovanel> form_;
};

TEST_F(RunWindowTest, EveryListShowsItsRowsWhileTheRunGoesOn) {
  const std::string folder = Folder(6);
  std::vector<int> ink;
  // While the fifth file is listed the first rows are on the screen.
  RunLookingAt({folder}, 4, [&] {
    for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) {
      QListWidget* widget = list->Widget();
      ink.push_back(InkAsShown(form_->Widget(), widget->viewport(), widget->visualItemRect(widget->item(0))));
    }
  });
  ASSERT_EQ(ink.size(), 3u);
  EXPECT_GT(ink[0], 20) << "ListBox1's first row is drawn";
  EXPECT_GT(ink[1], 20) << "ListBox2's first row is drawn";
  EXPECT_GT(ink[2], 20) << "ListBox3's first row is drawn";
  EXPECT_EQ(form_->ListBox3->Item(0), kEntryText);
}

TEST_F(RunWindowTest, ALongPathIsElidedInTheMiddleAndTheWindowKeepsItsSize) {
  const QSize size = form_->Widget()->size();
  // 281 bytes, as a path that once pushed the window past a 1024-pixel screen.
  const std::string head = dir_.path().string() + "/";
  const std::string path = head + std::string(281 - head.size() - 9, 'd') + "/long.lzh";
  ASSERT_EQ(path.size(), 281u);
  WriteFile(path, "");
  QString shown;
  QSize duringRun;
  RunLookingAt({path}, 0, [&] {
    shown = form_->Label1->Widget()->text();
    duringRun = form_->Widget()->size();
  });
  EXPECT_EQ(duringRun, size);
  EXPECT_EQ(form_->Widget()->size(), size) << "the window keeps its size after the run";
  // Elided in the middle: a start of the path, "…", an end of it, whatever
  // the length of the temporary folder's name.
  const QString whole = QString::fromStdString(path);
  const qsizetype ellipsis = shown.indexOf(QChar(0x2026));
  ASSERT_GT(ellipsis, 0) << "elided in the middle: " << shown.toStdString();
  EXPECT_TRUE(whole.startsWith(shown.left(ellipsis))) << shown.toStdString();
  EXPECT_TRUE(whole.endsWith(shown.mid(ellipsis + 1))) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("/long.lzh")) << shown.toStdString();
  EXPECT_LE(form_->Label1->Widget()->fontMetrics().horizontalAdvance(shown), form_->Label1->Widget()->width());
  EXPECT_EQ(form_->ListBox1->Item(0), path) << "the row keeps the whole path";
}

TEST_F(RunWindowTest, AfterTheRunRowZeroIsSelectedAndInViewInEveryList) {
  const std::string folder = Folder(40);
  // While the run goes on the user picks the first row, which selects it in
  // all three lists, and scrolls every list to its end.
  RunLookingAt({folder}, 34, [&] {
    QListWidget* first = form_->ListBox1->Widget();
    QTest::mouseClick(first->viewport(), Qt::LeftButton, Qt::NoModifier,
                      first->visualItemRect(first->item(0)).center());
    for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) list->Widget()->scrollToBottom();
  });
  QApplication::processEvents();
  for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) {
    QListWidget* widget = list->Widget();
    ASSERT_EQ(widget->count(), 40);
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_TRUE(widget->viewport()->rect().contains(widget->visualItemRect(widget->item(0))))
        << "list of tab order " << list->TabOrder() << " shows row 0";
  }
}
}  // namespace
