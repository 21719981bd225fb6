// platform/winapi over Win32, as the program meets it: the instance's named
// mutex, libraries loaded by bare name from the folders searched, a window
// procedure bound to an object in a real window's slot, and a second start's
// paths handed to a window as WM_COPYDATA.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/HandOver.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/winapi/Library.h"
#include "platform/winapi/LibraryFolders.h"
#include "platform/winapi/Mutex.h"
#include "platform/winapi/Window.h"
#include "tests/windows/WindowsTestSupport.h"

namespace {
// A variable of the process's environment for one test.
class TScopedVariable {
 public:
  TScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    _putenv_s(name, value.c_str());
  }
  ~TScopedVariable() { _putenv_s(name_, had_ ? old_.c_str() : ""); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(MutexWin32Test, TheInstanceMutexIsSeenWhileHeldAndGoneWhenClosed) {
  const std::string name = "hdv-test-" + std::to_string(GetCurrentProcessId());
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  const HANDLE held = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(held, nullptr);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  const HANDLE seen = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
  EXPECT_NE(seen, nullptr);
  const HANDLE second = CreateMutexA(nullptr, FALSE, name.c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a second start sees the first";
  for (HANDLE handle : {seen, second, held}) EXPECT_TRUE(CloseHandle(handle));
  EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()), nullptr) << "gone with its last handle";
}

TEST(LibraryWin32Test, ABareNameIsFoundInTheFoldersSearchedInTheirOrder) {
  const TTestFolder first("ライブラリ一");
  const TTestFolder second("ライブラリ二");
  CopyInto(FakeLibrary("cab", "CAB32.DLL"), second.Path() + "CAB32.DLL");
  CopyInto(FakeLibrary("lha", "UNLHA32.DLL"), first.Path() + "UNLHA32.DLL");
  CopyInto(FakeLibrary("lha_no_owner", "UNLHA32.DLL"), second.Path() + "UNLHA32.DLL");
  const TScopedVariable path("DOVANEL_LIBRARY_PATH", first.Path() + ";;" + second.Path());

  struct Case {
    const char* name;
    std::string folder;  // where it must come from; empty: not found
    const char* exported;
  };
  const Case cases[] = {
      {"cab32.dll", second.Path(), "CabOpenArchive"},          // any case, in the second folder
      {"UNLHA32.DLL", first.Path(), "UnlhaSetOwnerWindowEx"},  // the first folder's, which has the export
      {"UNARJ32J.DLL", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int calls = LoadLibraryCallCount();
    const HMODULE module = LoadLibraryByName(c.name);
    EXPECT_EQ(LoadLibraryCallCount(), calls + 1);
    if (c.folder.empty()) {
      EXPECT_EQ(module, nullptr);
      continue;
    }
    ASSERT_NE(module, nullptr);
    char file[MAX_PATH * 4] = {};
    ASSERT_GT(GetModuleFileNameA(module, file, sizeof file), 0u);
    // The program's code page is UTF-8 (its manifest); this test's is not:
    // the wide name tells where the library came from.
    wchar_t wide[MAX_PATH * 2] = {};
    ASSERT_GT(GetModuleFileNameW(module, wide, MAX_PATH * 2), 0u);
    EXPECT_EQ(AnsiUpperCase(ExtractFilePath(Narrow(wide))), AnsiUpperCase(c.folder));
    EXPECT_NE(GetProcAddress(module, c.exported), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
  }
  const std::string text = LibrarySearchText();
  EXPECT_NE(text.find(first.Path()), std::string::npos) << text;
  EXPECT_NE(text.find(second.Path()), std::string::npos) << text;
}

TEST(LibraryWin32Test, ThePathListIsSeparatedBySemicolons) {
  EXPECT_EQ(SplitPathList("C:\\a;;D:\\b c;"), (std::vector<std::string>{"C:\\a", "D:\\b c"}));
  EXPECT_TRUE(SplitPathList(nullptr).empty());
}

// A window of its own class whose procedure is the system's default.
class WindowWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DovanelWinapiTest";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"DovanelWinapiTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }
  HWND window_ = nullptr;
};

TEST_F(WindowWin32Test, ThunksInTheSlotCallTheirOwnObjectsAndPassTheRestOn) {
  std::vector<std::string> calls;
  LONG_PTR previous = 0;
  TWndProcThunk first([&](TMessage& message) {
    calls.push_back("first " + std::to_string(message.Msg));
    message.Result = message.Msg == WM_USER + 1
                         ? 11
                         : CallWindowProcA(previous, window_, message.Msg, message.WParam, message.LParam);
  });
  TWndProcThunk second([&](TMessage& message) {
    calls.push_back("second " + std::to_string(message.Msg));
    message.Result = 22;
  });
  ASSERT_NE(first.Procedure(), second.Procedure());

  previous = GetWindowLongPtrA(window_, GWLP_WNDPROC);
  SetWindowLongPtrA(window_, GWLP_WNDPROC, second.Procedure());
  // What the hook passes on reaches the procedure it replaced.
  previous = SetWindowLongPtrA(window_, GWLP_WNDPROC, first.Procedure());
  EXPECT_EQ(previous, second.Procedure());
  EXPECT_EQ(SendMessageA(window_, WM_USER + 1, 0, 0), 11);
  EXPECT_EQ(SendMessageA(window_, WM_USER + 2, 0, 0), 22);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"first " + std::to_string(WM_USER + 1), "first " + std::to_string(WM_USER + 2),
                                      "second " + std::to_string(WM_USER + 2)}));
  SetWindowLongPtrA(window_, GWL_WNDPROC, ProcedureValue(DefWindowProcA));
}

TEST_F(WindowWin32Test, PathsHandedOverArriveWholeAndAbsolute) {
  const TTestFolder folder("受け渡し");
  std::vector<std::string> received;
  TWndProcThunk receiver([&](TMessage& message) {
    if (message.Msg != WM_COPYDATA) return;
    received = UnpackPaths(*reinterpret_cast<const COPYDATASTRUCT*>(message.LParam));
    message.Result = received.empty() ? FALSE : TRUE;
  });
  SetWindowLongPtrA(window_, GWLP_WNDPROC, receiver.Procedure());
  SetCurrentDirectoryW(Wide(folder.Path()).c_str());
  const std::vector<std::string> given = {folder.Path() + "表.lzh", "書庫.zip", folder.Path() + "サブ"};
  EXPECT_TRUE(HandPathsOver(window_, given));
  EXPECT_EQ(received,
            (std::vector<std::string>{folder.Path() + "表.lzh", folder.Path() + "書庫.zip", folder.Path() + "サブ"}));
  EXPECT_FALSE(HandPathsOver(window_, {})) << "nothing handed over is nothing taken";
  SetCurrentDirectoryW(L"C:\\");
  SetWindowLongPtrA(window_, GWLP_WNDPROC, ProcedureValue(DefWindowProcA));
}
}  // namespace
