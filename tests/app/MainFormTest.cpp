// The main form as a user meets it: its stored layout, the version box on a
// double-click of the label, the three lists selected in step by the user's
// choice in the first, and the date format that activation sets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/DateTime.h"
#include "platform/winapi/MessageBox.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TestApplication.h"

namespace {
class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    TakeShownBoxes();
    SetCommandLine(std::vector<std::string>{"dovanel"});
    ReleaseAllDriverUnits();
    form_ = std::make_unique<Tdovanel>(nullptr);
    form_->Show();
  }
  void TearDown() override { form_.reset(); }

  ScopedRuntimeFolder runtime_;  // a shown window listens there for other instances

  void Fill(TListBox* list, int rows) {
    for (int r = 0; r < rows; ++r) list->Add("row " + std::to_string(r));
  }
  void ClickRow(TListBox* list, int row) {
    QListWidget* widget = list->Widget();
    const QRect rect = widget->visualItemRect(widget->item(row));
    ASSERT_TRUE(rect.isValid()) << "row " << row << " is not laid out";
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  }
  std::vector<int> Selection() const {
    return {form_->ListBox1->ItemIndex(), form_->ListBox2->ItemIndex(), form_->ListBox3->ItemIndex()};
  }

  std::unique_ptr<Tdovanel> form_;
};

TEST_F(MainFormTest, TheStoredLayout) {
  QWidget* window = form_->Widget();
  EXPECT_EQ(form_->Caption(), "DOVANEL For Archiver");
  EXPECT_EQ(window->pos(), QPoint(13, 13));
  // 435 x 457 with the frame of a sizable window: 4-pixel borders, a 19-pixel caption.
  EXPECT_EQ(window->size(), QSize(427, 430));
  EXPECT_EQ(form_->Label1->Widget()->geometry(), QRect(0, 0, 427, 18));
  EXPECT_EQ(form_->ListBox1->Widget()->geometry(), QRect(0, 18, 427, 127));
  EXPECT_EQ(form_->ListBox2->Widget()->geometry(), QRect(0, 145, 427, 141));
  EXPECT_EQ(form_->ListBox3->Widget()->geometry(), QRect(0, 286, 427, 144));
  // ListBox2 takes what a resize gives or takes.
  window->resize(427, 530);
  QApplication::processEvents();
  EXPECT_EQ(form_->ListBox2->Widget()->height(), 241);
  EXPECT_EQ(form_->ListBox3->Widget()->height(), 144);
  EXPECT_EQ(form_->Label1->Caption(), "");
  EXPECT_EQ(form_->Label1->FontColor(), clRed) << "the first run shows its paths in red";
  EXPECT_FALSE(form_->Label1->FontBold());
  for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) EXPECT_EQ(list->Count(), 0);
  // The form's own window takes drops through FileDrop1, hooked before creation ran.
  EXPECT_EQ(form_->FileDrop1->HookedWindow(), form_->Handle());
  EXPECT_TRUE(form_->Handle()->acceptFiles);
}

TEST_F(MainFormTest, RowsAre18PixelsAndTheFontsHoldJapanese) {
  const std::string japanese = "一部 DLL が無いためスキップしました";
  for (TListBox* list : {form_->ListBox1, form_->ListBox2, form_->ListBox3}) {
    list->Add(japanese);
    list->Add("/tmp/書庫/アーカイブ.lzh");
    QListWidget* widget = list->Widget();
    EXPECT_EQ(widget->visualItemRect(widget->item(0)).height(), 18);
    EXPECT_EQ(widget->visualItemRect(widget->item(1)).top(), 18);
    const QFontMetrics metrics(widget->font());
    EXPECT_TRUE(metrics.inFontUcs4(U'部')) << widget->font().family().toStdString();
    EXPECT_TRUE(metrics.inFontUcs4(U'ス'));
    EXPECT_LE(metrics.height(), 19);
  }
  form_->Label1->SetCaption(japanese);
  form_->Label1->SetFont(clPurple, true);
  const QFontMetrics label(form_->Label1->Widget()->font());
  EXPECT_TRUE(label.inFontUcs4(U'無'));
  EXPECT_LE(label.horizontalAdvance(QString::fromUtf8(japanese.c_str())), form_->Label1->Widget()->width())
      << "the purple message fits the label";
}

// Whether the label, as drawn, shows its text in `colour` whatever font
// draws it: some pixels differ from the background (its corner, inside the
// margin), and each lies channel by channel between the background and
// `colour`, as glyph edges blend the two. Text drawn in another colour
// leaves some channel outside, at least where a stroke covers a pixel whole.
::testing::AssertionResult DrawnIn(QWidget* widget, QColor colour) {
  const QImage image = widget->grab().toImage();
  const QColor background = image.pixelColor(0, 0);
  const auto between = [](int value, int a, int b) { return std::min(a, b) <= value && value <= std::max(a, b); };
  int ink = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.rgb() == background.rgb()) continue;
      ++ink;
      if (!between(pixel.red(), background.red(), colour.red()) ||
          !between(pixel.green(), background.green(), colour.green()) ||
          !between(pixel.blue(), background.blue(), colour.blue()))
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << pixel.name().toStdString() << ", not between "
               << background.name().toStdString() << " and " << colour.name().toStdString();
    }
  if (ink == 0) return ::testing::AssertionFailure() << "nothing is drawn";
  return ::testing::AssertionSuccess();
}

TEST_F(MainFormTest, TheLabelIsDrawnInTheColourTheRunGivesIt) {
  QLabel* label = form_->Label1->Widget();
  struct Case {
    const char* caption;
    TColor given;
    bool bold;
    QColor drawn;
  };
  const Case cases[] = {
      {"Finish", clRed, false, QColor(255, 0, 0)},
      {"一部 DLL が無いためスキップしました", clPurple, true, QColor(128, 0, 128)},
      {"/tmp/書庫/アーカイブ.lzh", clRed, false, QColor(255, 0, 0)},  // the next run's paths
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    form_->Label1->SetCaption(c.caption);
    form_->Label1->SetFont(c.given, c.bold);
    EXPECT_EQ(label->palette().color(label->foregroundRole()).name().toStdString(), c.drawn.name().toStdString());
    EXPECT_TRUE(DrawnIn(label, c.drawn));
  }
}

TEST_F(MainFormTest, TabOrderFollowsTheLists) {
  QWidget* first = form_->ListBox1->Widget();
  first->setFocus();
  QApplication::processEvents();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form_->ListBox2->Widget());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form_->ListBox3->Widget());
}

TEST_F(MainFormTest, ADoubleClickOnTheLabelShowsTheVersionBox) {
  QTest::mouseDClick(form_->Label1->Widget(), Qt::LeftButton);
  const std::vector<ShownBox> boxes = TakeShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "          version 1.0.8.9          ");
  EXPECT_EQ(boxes[0].caption, "DOVANEL For Archiver");
  EXPECT_EQ(boxes[0].type, MB_OK);
}

TEST_F(MainFormTest, TheUsersChoiceInTheFirstListSelectsTheSameRowInTheOthers) {
  Fill(form_->ListBox1, 4);
  Fill(form_->ListBox2, 4);
  Fill(form_->ListBox3, 2);  // a run that an error ended early
  QApplication::processEvents();

  ClickRow(form_->ListBox1, 1);
  EXPECT_EQ(Selection(), (std::vector<int>{1, 1, 1}));
  QTest::keyClick(form_->ListBox1->Widget(), Qt::Key_Down);
  EXPECT_EQ(Selection(), (std::vector<int>{2, 2, -1})) << "a list with no such row shows no selection";
  ClickRow(form_->ListBox1, 3);
  EXPECT_EQ(Selection(), (std::vector<int>{3, 3, -1}));
  // The user deselects: none in the others either.
  QTest::mouseClick(form_->ListBox1->Widget()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    form_->ListBox1->Widget()->visualItemRect(form_->ListBox1->Widget()->item(3)).center());
  EXPECT_EQ(Selection(), (std::vector<int>{-1, -1, -1}));

  // A choice in another list changes only that list.
  ClickRow(form_->ListBox1, 0);
  ClickRow(form_->ListBox2, 3);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 3, 0}));
  // A selection set by the program runs nothing.
  form_->ListBox1->SetItemIndex(2);
  EXPECT_EQ(Selection(), (std::vector<int>{2, 3, 0}));
}

TEST_F(MainFormTest, ActivationSetsTheShortDateFormatFromTheLoop) {
  FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yyyy") << "not inside the platform's report";
  QApplication::processEvents();
  EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy/mm/dd");
}
}  // namespace
