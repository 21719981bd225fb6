// The forms without a window system: they keep their state until the first
// window is shown, and only then is the window system made, once, and handed
// that state. A recording window system stands in for the toolkit; this
// program has an application object of its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/WidgetSetModule.h"
#include "platform/winapi/MessageBox.h"

namespace {
std::vector<std::string> g_log;
int g_made = 0;

void Log(const std::string& line) { g_log.push_back(line); }

struct FakeForm : TFormPeer {
  void* Native() const override { return nullptr; }
  void SetCaption(const std::string& caption) override { Log("form caption " + caption); }
  void Show() override {
    shown = true;
    Log("form show");
  }
  bool Visible() const override { return shown; }
  void BringToFront() override { Log("form front"); }
  void Close() override { Log("form close"); }
  void SetTabOrder(const std::vector<TControlPeer*>& controls) override {
    Log("tab order " + std::to_string(controls.size()));
  }
  bool shown = false;
};

struct FakeLabel : TLabelPeer {
  void* Native() const override { return nullptr; }
  void SetCaption(const std::string& caption) override { Log("label caption " + caption); }
  void SetFont(TColor color, bool bold) override {
    Log("label font " + std::to_string(color) + (bold ? " bold" : " plain"));
  }
};

struct FakeList : TListBoxPeer {
  explicit FakeList(int height) : height(height) {}
  void* Native() const override { return nullptr; }
  void Add(const std::string& item) override {
    rows.push_back(item);
    Log("list " + std::to_string(height) + " add " + item);
  }
  void Clear() override { rows.clear(); }
  int ItemIndex() const override { return index; }
  void SetItemIndex(int i) override {
    index = i;
    Log("list " + std::to_string(height) + " index " + std::to_string(i));
  }
  int height;
  std::vector<std::string> rows;
  int index = -1;
};

struct FakeWidgets : TWidgetSet {
  std::unique_ptr<TFormPeer> MakeForm(TWindowEvents) override {
    Log("make form");
    return std::make_unique<FakeForm>();
  }
  std::unique_ptr<TLabelPeer> MakeLabel(TFormPeer&, int height, std::function<void()>) override {
    Log("make label " + std::to_string(height));
    return std::make_unique<FakeLabel>();
  }
  std::unique_ptr<TListBoxPeer> MakeListBox(TFormPeer&, int height, TWindowEvents, std::function<void()>) override {
    Log("make list " + std::to_string(height));
    return std::make_unique<FakeList>(height);
  }
  void Post(TControlPeer&, std::function<void()> task) override { task(); }
  std::unique_ptr<TPeerObject> ListenForRequests(const std::string&,
                                                 std::function<std::string(const std::string&)>) override {
    return nullptr;
  }
  void Run() override { Log("run"); }
  void Quit() override { Log("quit"); }
  void ProcessMessages() override { Log("messages"); }
  void SetActivationHandler(std::function<void()>) override {}
  void MessageBox(TControlPeer*, const std::string& text, const std::string&, bool) override { Log("box " + text); }
  void SetIcon(const std::string& svg) override { Log("icon " + svg); }
};

TWidgetSet* MakeFakeWidgets(int&, char**) {
  ++g_made;
  return new FakeWidgets;
}

class WindowsOnDemandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_made = 0;
    application_ = std::make_unique<TApplication>(argc_, argv_);
    // Named after the application is made, so that it is made on demand.
    LinkWidgetSet(MakeFakeWidgets);
  }
  void TearDown() override {
    application_.reset();
    LinkWidgetSet(nullptr);
  }

  int argc_ = 1;
  char name_[8] = "dovanel";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<TApplication> application_;
};

TEST_F(WindowsOnDemandTest, ARunWithoutAWindowNeverMakesTheWindowSystem) {
  TForm form(nullptr, "TOnDemand");
  form.SetCaption("DOVANEL For Archiver");
  auto* label = new TLabel(&form, 18);
  label->SetCaption("skipped");
  auto* list = new TListBox(&form, 127, 0);
  list->Add("a.zip");
  list->Add("b.lzh");
  list->SetItemIndex(1);
  application_->ProcessMessages();
  application_->ShowMainForm = false;
  application_->Terminate();
  application_->Run();

  EXPECT_EQ(g_made, 0);
  EXPECT_TRUE(g_log.empty());
  EXPECT_FALSE(application_->WidgetsLoaded());
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Caption(), "DOVANEL For Archiver");
  EXPECT_EQ(label->Caption(), "skipped");
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Item(1), "b.lzh");
  EXPECT_EQ(list->ItemIndex(), 1);
  list->SetItemIndex(5);
  EXPECT_EQ(list->ItemIndex(), -1) << "a row that is not there selects nothing";
  list->SetItemIndex(0);
  list->Clear();
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(WindowsOnDemandTest, ShowingMakesTheWindowSystemOnceAndHandsOverTheState) {
  TForm form(nullptr, "TOnDemand");
  form.SetCaption("title");
  auto* label = new TLabel(&form, 18);
  label->SetFont(clPurple, true);
  label->SetCaption("label");
  auto* second = new TListBox(&form, 0, 1);
  auto* first = new TListBox(&form, 127, 0);
  first->Add("\x82\xa0.zip");  // bytes that are no UTF-8 pass unchanged
  first->SetItemIndex(0);
  second->Add("row");

  form.Show();
  EXPECT_EQ(g_made, 1);
  const std::vector<std::string> expected = {"make form",
                                             "form caption title",
                                             "make label 18",
                                             "label font " + std::to_string(clPurple) + " bold",
                                             "label caption label",
                                             "make list 0",
                                             "list 0 add row",
                                             "list 0 index -1",
                                             "make list 127",
                                             "list 127 add \x82\xa0.zip",
                                             "list 127 index 0",
                                             "tab order 2",
                                             "form show"};
  EXPECT_EQ(g_log, expected);
  EXPECT_TRUE(form.Visible());

  // From now on the windows follow at once, and a new control gets its window with the form's.
  g_log.clear();
  first->Add("more");
  new TListBox(&form, 50, 2);
  form.Show();
  application_->ProcessMessages();
  EXPECT_EQ(g_made, 1) << "made once";
  const std::vector<std::string> after = {"list 127 add more", "make list 50", "list 50 index -1",
                                          "tab order 3",       "form show",    "messages"};
  EXPECT_EQ(g_log, after);
  EXPECT_EQ(first->ItemIndex(), 0);
}

TEST_F(WindowsOnDemandTest, ABoxWithoutAScreenGoesToStandardErrorWithoutTheWindowSystem) {
  ASSERT_TRUE(application_->Headless()) << "the tests run with the offscreen platform";
  testing::internal::CaptureStderr();
  MessageBoxA(nullptr, "broken", "DOVANEL For Archiver", MB_ICONERROR);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "DOVANEL For Archiver: broken\n");
  EXPECT_EQ(g_made, 0);
}
TEST_F(WindowsOnDemandTest, TheIconWaitsForTheWindowSystemAndThenGoesToItAtOnce) {
  application_->SetIcon("<svg>first</svg>");
  TForm form(nullptr, "TOnDemand");
  EXPECT_EQ(g_made, 0) << "an icon is no reason to load a window system";

  form.Show();
  ASSERT_EQ(g_made, 1);
  ASSERT_FALSE(g_log.empty());
  EXPECT_EQ(g_log.front(), "icon <svg>first</svg>") << "given before any window is made";

  g_log.clear();
  application_->SetIcon("<svg>second</svg>");
  EXPECT_EQ(g_log, std::vector<std::string>{"icon <svg>second</svg>"});
}
}  // namespace
