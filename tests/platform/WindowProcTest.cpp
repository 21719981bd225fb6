// Window-procedure slots: what GetWindowLongA/SetWindowLongA keep, what
// CallWindowProcA and SendMessageA reach, plain procedures and thunks alike.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/Window.h"
#include "tests/support/RuntimeFolder.h"

namespace {
struct Call {
  std::string who;
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Call> g_calls;

LRESULT PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_calls.push_back({"plain", window, message, wParam, lParam});
  return static_cast<LRESULT>(wParam) + lParam;
}

class WindowProcTest : public ::testing::Test {
 protected:
  void SetUp() override { g_calls.clear(); }
  ScopedRuntimeFolder runtime_;  // FindWindowA looks for other instances there
  HWND__ window_{"TTestWindow"};
};

TEST_F(WindowProcTest, SlotStartsWithTheDefaultAndSetReturnsThePrevious) {
  EXPECT_EQ(GetWindowLongA(&window_, GWL_WNDPROC), ProcedureValue(DefWindowProcA));
  EXPECT_EQ(SetWindowLongA(&window_, GWL_WNDPROC, ProcedureValue(PlainProcedure)), ProcedureValue(DefWindowProcA));
  EXPECT_EQ(GetWindowLongA(&window_, GWL_WNDPROC), ProcedureValue(PlainProcedure));
  // Only the procedure slot exists; other indexes neither read nor write it.
  EXPECT_EQ(SetWindowLongA(&window_, -16, 1234), 0);
  EXPECT_EQ(GetWindowLongA(&window_, -16), 0);
  EXPECT_EQ(GetWindowLongA(&window_, GWL_WNDPROC), ProcedureValue(PlainProcedure));
}

TEST_F(WindowProcTest, AWindowThatIsGoneIsLeftAlone) {
  HWND gone = nullptr;
  {
    HWND__ shortLived("TTestWindow");
    gone = &shortLived;
    EXPECT_TRUE(IsWindow(gone));
  }
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(GetWindowLongA(gone, GWL_WNDPROC), 0);
  EXPECT_EQ(SetWindowLongA(gone, GWL_WNDPROC, ProcedureValue(PlainProcedure)), 0);
  EXPECT_EQ(SendMessageA(gone, WM_USER, 1, 2), 0);
  EXPECT_TRUE(g_calls.empty());
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(WindowProcTest, CallWindowProcAReachesPlainProceduresAndThunks) {
  TMessage seen;
  TWndProcThunk thunk([&seen](TMessage& message) {
    seen = message;
    message.Result = 77;
  });
  EXPECT_EQ(CallWindowProcA(PlainProcedure, &window_, WM_USER + 1, 5, 6), 11);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].window, &window_);
  EXPECT_EQ(g_calls[0].message, WM_USER + 1);

  EXPECT_EQ(CallWindowProcA(thunk.Procedure(), &window_, WM_USER + 2, 7, -8), 77);
  EXPECT_EQ(seen.Msg, WM_USER + 2);
  EXPECT_EQ(seen.WParam, 7u);
  EXPECT_EQ(seen.LParam, -8);
  EXPECT_EQ(g_calls.size(), 1u) << "a thunk is not called as a plain procedure";

  EXPECT_EQ(CallWindowProcA(LONG_PTR{0}, &window_, WM_USER, 1, 1), 0);
}

TEST_F(WindowProcTest, SendMessageAGoesToTheCurrentProcedureWhichMayChainToThePrevious) {
  // A hook in the manner of a subclassing component: it answers one message
  // and passes everything else to what was there before.
  LONG_PTR previous = 0;
  TWndProcThunk hook([&](TMessage& message) {
    if (message.Msg == WM_USER + 9) {
      message.Result = -1;
      return;
    }
    message.Result = CallWindowProcA(previous, &window_, message.Msg, message.WParam, message.LParam);
  });
  SetWindowLongA(&window_, GWL_WNDPROC, ProcedureValue(PlainProcedure));
  previous = SetWindowLongA(&window_, GWL_WNDPROC, hook.Procedure());

  EXPECT_EQ(SendMessageA(&window_, WM_USER + 9, 100, 200), -1);
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(SendMessageA(&window_, WM_USER + 3, 100, 200), 300);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].message, WM_USER + 3);

  // Put back, the hook no longer sees anything.
  SetWindowLongA(&window_, GWL_WNDPROC, previous);
  EXPECT_EQ(SendMessageA(&window_, WM_USER + 9, 1, 2), 3);
}

TEST_F(WindowProcTest, FindWindowAFindsAWindowOfThisProcessByClassIgnoringCase) {
  EXPECT_EQ(FindWindowA("TTestWindow", nullptr), &window_);
  EXPECT_EQ(FindWindowA("ttestwindow", nullptr), &window_);
  EXPECT_EQ(FindWindowA(nullptr, nullptr), nullptr);
  HWND__ child("TTestChild");
  child.topLevel = false;
  EXPECT_EQ(FindWindowA("TTestChild", nullptr), nullptr) << "a control's window is not top-level";
  // The foreground request reaches the window's own way of coming forward.
  int raised = 0;
  window_.bringToFront = [&raised] { ++raised; };
  EXPECT_EQ(SetForegroundWindow(&window_), TRUE);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(SetForegroundWindow(nullptr), FALSE);
}
}  // namespace
