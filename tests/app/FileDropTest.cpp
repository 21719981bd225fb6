// The drop target: how it hooks and unhooks a window, registers it for drops,
// passes every other message on, and turns each drop into one event.
#include <gtest/gtest.h>

#include <QListWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/NewCtrls.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exception.h"
#include "tests/app/DropHelpers.h"
#include "tests/support/TestApplication.h"

namespace {
using drop_helpers::DropFiles;

std::vector<UINT> g_passedOn;

// What the window had before the hook: answers wParam + lParam.
LRESULT FormerProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  g_passedOn.push_back(message);
  return static_cast<LRESULT>(wParam) + lParam;
}

struct Event {
  TComponent* sender;
  int num;
  std::vector<std::string> files;
  int x;
  int y;
};

class FileDropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    TakeShownBoxes();
    g_passedOn.clear();
    baseline_ = LiveDropCount();
    form_ = std::make_unique<TForm>(nullptr, "TFileDropHost");
    SetWindowLongA(Window(), GWL_WNDPROC, ProcedureValue(FormerProcedure));
    drop_ = new TFileDrop(form_.get());
  }
  void TearDown() override {
    form_.reset();
    EXPECT_EQ(LiveDropCount(), baseline_) << "every drop is released";
  }

  HWND Window() { return form_->Handle(); }
  void Record() {
    drop_->OnFileDrop = [this](TComponent* sender, int num, TStrings& files, int x, int y) {
      events_.push_back({sender, num, files.Items(), x, y});
    };
  }
  // A drop message sent straight to the window, for what the component
  // itself must release.
  HDROP SendDrop(std::vector<std::string> files) {
    const HDROP handle = MakeDropHandle(std::move(files), POINT{7, 8});
    SendMessageA(Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0);
    return handle;
  }

  std::unique_ptr<TForm> form_;
  TFileDrop* drop_ = nullptr;
  std::vector<Event> events_;
  int baseline_ = 0;
};

TEST_F(FileDropTest, TheAfterLoadingStepHooksTheOwnerFormAndDestructionPutsItBack) {
  EXPECT_EQ(drop_->HookedWindow(), nullptr) << "nothing is hooked before the layout is read";
  EXPECT_FALSE(Window()->acceptFiles);
  drop_->Loaded();
  EXPECT_EQ(drop_->HookedWindow(), Window());
  EXPECT_EQ(GetWindowLongA(Window(), GWL_WNDPROC), drop_->HookProcedure());
  EXPECT_EQ(drop_->PreviousProcedure(), ProcedureValue(FormerProcedure));
  EXPECT_TRUE(Window()->acceptFiles);
  delete drop_;
  EXPECT_EQ(GetWindowLongA(Window(), GWL_WNDPROC), ProcedureValue(FormerProcedure));
  // The registration is not withdrawn by unhooking.
  EXPECT_TRUE(Window()->acceptFiles);
}

TEST_F(FileDropTest, OtherMessagesReachThePreviousProcedureWithItsResult) {
  drop_->Loaded();
  struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  const Case cases[] = {{WM_NULL, 0, 0}, {WM_USER, 2, 3}, {WM_DROPFILES + 1, 40, -1}, {0xC123, 1000, 234}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    g_passedOn.clear();
    EXPECT_EQ(SendMessageA(Window(), c.message, c.wParam, c.lParam), static_cast<LRESULT>(c.wParam) + c.lParam);
    EXPECT_EQ(g_passedOn, std::vector<UINT>{c.message});
  }
}

TEST_F(FileDropTest, ADropThroughQtIsOneEventWithEveryPathWholeAndThePoint) {
  Record();
  drop_->Loaded();
  // A path longer than any fixed buffer the shell's users reserve.
  const std::string longPath = "/tmp/" + std::string(150, 'd') + "/" + std::string(150, 'e') + "/書庫.lzh";
  ASSERT_GT(longPath.size(), 300u);
  const std::vector<std::string> files = {"/tmp/one.lzh", longPath, "/tmp/a folder"};
  EXPECT_TRUE(DropFiles(form_->Widget(), files, QPoint(25, 31)));
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].sender, drop_);
  EXPECT_EQ(events_[0].num, 3);
  EXPECT_EQ(events_[0].files, files);
  EXPECT_EQ(events_[0].x, 25);
  EXPECT_EQ(events_[0].y, 31);
  EXPECT_TRUE(g_passedOn.empty()) << "a drop is not passed on";
}

TEST_F(FileDropTest, ADropIsReleasedByTheComponentWhateverTheHandlerDoes) {
  struct Case {
    const char* name;
    bool handler;
    bool raises;
  };
  const Case cases[] = {{"no handler", false, false}, {"handler", true, false}, {"handler raises", true, true}};
  drop_->Loaded();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int calls = 0;
    drop_->OnFileDrop = nullptr;
    if (c.handler)
      drop_->OnFileDrop = [&calls, &c](TComponent*, int, TStrings&, int, int) {
        ++calls;
        if (c.raises) throw Exception("展開できません");
      };
    const HDROP sent = SendDrop({"/tmp/x.zip"});
    EXPECT_FALSE(IsDropHandle(sent)) << "DragFinish was not called";
    EXPECT_EQ(calls, c.handler ? 1 : 0);
    const std::vector<ShownBox> boxes = TakeShownBoxes();
    if (c.raises) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, "展開できません");
      EXPECT_EQ(boxes[0].caption, "DOVANEL For Archiver");
    } else {
      EXPECT_TRUE(boxes.empty());
    }
  }
  EXPECT_TRUE(g_passedOn.empty());
  // After an error the window still takes drops.
  Record();
  EXPECT_TRUE(DropFiles(form_->Widget(), {"/tmp/after.zip"}));
  EXPECT_EQ(events_.size(), 1u);
}

TEST_F(FileDropTest, AcceptRegistersTheHookedWindowAndLeavesTheHookInPlace) {
  Record();
  drop_->SetAccept(false);
  drop_->Loaded();
  EXPECT_EQ(drop_->HookedWindow(), Window()) << "hooked but not registered";
  EXPECT_FALSE(Window()->acceptFiles);
  EXPECT_FALSE(DropFiles(form_->Widget(), {"/tmp/a.zip"}));
  drop_->SetAccept(true);
  EXPECT_TRUE(Window()->acceptFiles);
  EXPECT_TRUE(DropFiles(form_->Widget(), {"/tmp/a.zip"}));
  drop_->SetAccept(false);
  EXPECT_FALSE(Window()->acceptFiles);
  EXPECT_FALSE(DropFiles(form_->Widget(), {"/tmp/a.zip"}));
  EXPECT_EQ(GetWindowLongA(Window(), GWL_WNDPROC), drop_->HookProcedure());
  EXPECT_EQ(events_.size(), 1u);
}

TEST_F(FileDropTest, AControlTakesTheHookAndItsRemovalIsForgottenWithoutTouchingIt) {
  Record();
  drop_->Loaded();
  auto* list = new TListBox(form_.get(), 50, 0);
  const LONG_PTR listProcedure = GetWindowLongA(list->Handle(), GWL_WNDPROC);
  drop_->SetControl(list);
  EXPECT_EQ(drop_->Control(), list);
  EXPECT_EQ(GetWindowLongA(Window(), GWL_WNDPROC), ProcedureValue(FormerProcedure)) << "the form is unhooked";
  EXPECT_EQ(drop_->HookedWindow(), list->Handle());
  EXPECT_EQ(GetWindowLongA(list->Handle(), GWL_WNDPROC), drop_->HookProcedure());
  EXPECT_TRUE(DropFiles(list->Widget()->viewport(), {"/tmp/l.zip"}, QPoint(3, 4)));
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].x, 3);

  // Back to the form through the setter.
  drop_->SetControl(nullptr);
  EXPECT_EQ(GetWindowLongA(list->Handle(), GWL_WNDPROC), listProcedure);
  EXPECT_EQ(drop_->HookedWindow(), Window());

  drop_->SetControl(list);
  delete list;
  EXPECT_EQ(drop_->Control(), nullptr);
  EXPECT_FALSE(drop_->Accept());
  // The gone window is neither registered nor unhooked; the sanitizer build
  // catches any touch of it.
  drop_->SetAccept(true);
  drop_->SetAccept(false);
}

TEST_F(FileDropTest, NoTargetWindowRaisesAndHooksNothing) {
  TComponent plainOwner(nullptr);
  struct Case {
    const char* name;
    TComponent* owner;
  };
  const Case cases[] = {{"owner is no form", &plainOwner}, {"no owner", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFileDrop orphan(c.owner);
    try {
      orphan.Loaded();
      ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), "Invalidate Window Handle in FileDrop");
    }
    EXPECT_EQ(orphan.HookedWindow(), nullptr);
  }
}

TEST_F(FileDropTest, InDesignStateNothingIsHookedOrUnhooked) {
  drop_->SetComponentState(csDesigning);
  drop_->Loaded();
  EXPECT_EQ(drop_->HookedWindow(), nullptr);
  EXPECT_EQ(GetWindowLongA(Window(), GWL_WNDPROC), ProcedureValue(FormerProcedure));
  EXPECT_FALSE(Window()->acceptFiles);
}
}  // namespace
