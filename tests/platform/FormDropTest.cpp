// Qt's drops on a window of platform/forms become the shell's drop message,
// sent to the window's current procedure; the application's activation
// reaches its handler from the message loop. Drops go through Qt's own event
// delivery, as a drag from the desktop would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exception.h"
#include "platform/winapi/DragDrop.h"
#include "platform/winapi/MessageBox.h"
#include "tests/support/TestApplication.h"

namespace {
struct SeenDrop {
  HWND window;
  std::vector<std::string> files;
  POINT point;
};
std::vector<SeenDrop> g_drops;
std::vector<UINT> g_others;

// Reads the drop as a receiver would, and leaves releasing it to the layer.
LRESULT RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_DROPFILES) {
    g_others.push_back(message);
    return 0;
  }
  const auto drop = reinterpret_cast<HDROP>(wParam);
  SeenDrop seen{window, {}, {}};
  DragQueryPoint(drop, &seen.point);
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::string path(DragQueryFileA(drop, i, nullptr, 0), '\0');
    DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
    seen.files.push_back(path);
  }
  g_drops.push_back(seen);
  return 0;
}

// Sends enter, move and drop as Qt's drag manager would; true when the
// widget took the drop.
struct DragResult {
  bool entered;
  bool dropped;
};
DragResult DragAndDrop(QWidget* target, const std::vector<QUrl>& urls, QPoint at) {
  QMimeData mime;
  mime.setUrls(QList<QUrl>(urls.begin(), urls.end()));
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  // Qt delivers a drop only to the widget that took the drag.
  if (!enter.isAccepted()) return {false, false};
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

QUrl Local(const std::string& path) { return QUrl::fromLocalFile(QFile::decodeName(path.c_str())); }

class FormDropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    TakeShownBoxes();
    g_drops.clear();
    g_others.clear();
    baseline_ = LiveDropCount();
    form_ = std::make_unique<TForm>(nullptr, "TDropForm");
    SetWindowLongA(form_->Handle(), GWL_WNDPROC, ProcedureValue(RecordingProcedure));
  }
  void TearDown() override {
    form_.reset();
    EXPECT_EQ(LiveDropCount(), baseline_) << "every drop is freed";
  }

  std::unique_ptr<TForm> form_;
  int baseline_ = 0;
};

TEST_F(FormDropTest, ADropOnARegisteredWindowIsOneDropMessageWithPathsAndPoint) {
  DragAcceptFiles(form_->Handle(), TRUE);
  const std::string japanese = "/tmp/書庫/アーカイブ.lzh";
  // A name that is no UTF-8 at all, as a file manager escapes it.
  const QUrl odd = QUrl::fromEncoded("file:///tmp/odd%FF%FE%20name.zip");
  const DragResult result =
      DragAndDrop(form_->Widget(), {Local(japanese), Local("/tmp/folder/"), odd, Local("/tmp/b.zip")}, QPoint(30, 40));
  EXPECT_TRUE(result.entered);
  EXPECT_TRUE(result.dropped);
  ASSERT_EQ(g_drops.size(), 1u);
  EXPECT_EQ(g_drops[0].window, form_->Handle());
  // UTF-8 bytes, the shell's order, a folder as its bare path.
  EXPECT_EQ(g_drops[0].files,
            (std::vector<std::string>{japanese, "/tmp/folder", "/tmp/odd\xff\xfe name.zip", "/tmp/b.zip"}));
  EXPECT_EQ(g_drops[0].point.x, 30);
  EXPECT_EQ(g_drops[0].point.y, 40);
  EXPECT_TRUE(g_others.empty());
}

TEST_F(FormDropTest, NothingArrivesWhenTheWindowIsNotRegisteredOrNothingIsLocal) {
  struct Case {
    const char* name;
    bool registered;
    std::vector<QUrl> urls;
  };
  // clang-format off
  const Case cases[] = {
      {"never registered", false, {Local("/tmp/a.zip")}},
      {"only remote addresses", true, {QUrl("https://example.invalid/a.zip")}},
      {"no urls at all", true, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DragAcceptFiles(form_->Handle(), c.registered ? TRUE : FALSE);
    const DragResult result = DragAndDrop(form_->Widget(), c.urls, QPoint(1, 1));
    EXPECT_FALSE(result.entered);
    EXPECT_FALSE(result.dropped);
  }
  EXPECT_TRUE(g_drops.empty());
  // Withdrawn after being registered: refused again.
  DragAcceptFiles(form_->Handle(), TRUE);
  EXPECT_TRUE(DragAndDrop(form_->Widget(), {Local("/tmp/a.zip")}, QPoint(1, 1)).dropped);
  DragAcceptFiles(form_->Handle(), FALSE);
  EXPECT_FALSE(DragAndDrop(form_->Widget(), {Local("/tmp/a.zip")}, QPoint(1, 1)).dropped);
  EXPECT_EQ(g_drops.size(), 1u);
}

TEST_F(FormDropTest, AListBoxIsAWindowOfItsOwnWithClientCoordinates) {
  auto* list = new TListBox(form_.get(), 100, 0);
  SetWindowLongA(list->Handle(), GWL_WNDPROC, ProcedureValue(RecordingProcedure));
  DragAcceptFiles(list->Handle(), TRUE);
  EXPECT_TRUE(DragAndDrop(list->Widget()->viewport(), {Local("/tmp/c.cab")}, QPoint(5, 6)).dropped);
  ASSERT_EQ(g_drops.size(), 1u);
  EXPECT_EQ(g_drops[0].window, list->Handle());
  EXPECT_EQ(g_drops[0].point.x, 5);
  EXPECT_EQ(g_drops[0].point.y, 6);
}

TEST_F(FormDropTest, RowsAndTheLabelGiveBackTheBytesTheyWereGiven) {
  auto* list = new TListBox(form_.get(), 100, 0);
  auto* label = new TLabel(form_.get(), 18);
  const std::vector<std::string> rows = {"/tmp/odd\xff\xfe name.zip", "/tmp/書庫.lzh", ""};
  for (const std::string& row : rows) list->Add(row);
  ASSERT_EQ(list->Count(), 3);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(list->Item(r), rows[r]);
  EXPECT_EQ(list->Item(3), "");
  label->SetCaption(rows[0]);
  EXPECT_EQ(label->Caption(), rows[0]);
  // The window shows what it was handed: readable text as it is.
  ASSERT_EQ(list->Widget()->count(), 3);
  EXPECT_EQ(list->Widget()->item(1)->text(), QString::fromUtf8("/tmp/書庫.lzh"));
  label->SetCaption(rows[1]);
  EXPECT_EQ(label->Widget()->text(), QString::fromUtf8("/tmp/書庫.lzh"));
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->Widget()->count(), 0);
}

TEST_F(FormDropTest, AnErrorInTheProcedureIsReportedAndStopsThere) {
  TWndProcThunk throwing([](TMessage&) { throw Exception("書庫が壊れています"); });
  SetWindowLongA(form_->Handle(), GWL_WNDPROC, throwing.Procedure());
  DragAcceptFiles(form_->Handle(), TRUE);
  EXPECT_TRUE(DragAndDrop(form_->Widget(), {Local("/tmp/a.zip")}, QPoint(2, 2)).dropped);
  const std::vector<ShownBox> boxes = TakeShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "書庫が壊れています");
  EXPECT_EQ(boxes[0].caption, "DOVANEL For Archiver");
  EXPECT_EQ(boxes[0].type & MB_ICONERROR, MB_ICONERROR);
  SetWindowLongA(form_->Handle(), GWL_WNDPROC, ProcedureValue(DefWindowProcA));
}

TEST(ApplicationActivationTest, TheHandlerRunsFromTheLoopAndGoesWithItsForm) {
  TApplication& application = TestApplication();
  int calls = 0;
  {
    TForm form(nullptr, "TActivationForm");
    application.HookActivate(&form, [&calls](TComponent*) { ++calls; });
    // The platform's report only posts the message.
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(calls, 0);
    QApplication::processEvents();
    EXPECT_EQ(calls, 1);
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
    QApplication::processEvents();
    EXPECT_EQ(calls, 1) << "only activation runs it";
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
  }
  // The form went before the loop reached the message: nothing runs.
  QApplication::processEvents();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(static_cast<bool>(application.OnActivate));
}

TEST(ApplicationActivationTest, AnErrorInTheHandlerIsReported) {
  TApplication& application = TestApplication();
  TakeShownBoxes();
  TForm form(nullptr, "TActivationForm");
  application.HookActivate(&form, [](TComponent*) { throw Exception("activation failed"); });
  Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
  QApplication::processEvents();
  const std::vector<ShownBox> boxes = TakeShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "activation failed");
}
}  // namespace
