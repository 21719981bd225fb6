// The window on a desktop (Xvfb under wine). dovanel.exe's, found by its class
// from another process: it takes a second start's paths, re-dates them, tells
// "Finish", and closes with exit status 0. The form itself, in this process:
// it takes the shell's drop message through the drop target's hook.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/dvmain.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"
#include "tests/windows/WindowsTestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {
constexpr TDosDateTime kOld = (21 << 25) | (1 << 21) | (1 << 16);                  // 2001-01-01 00:00:00
constexpr TDosDateTime kNewest = (40 << 25) | (1 << 21) | (1 << 16) | (12 << 11);  // 2020-01-01 12:00:00

template <typename Condition>
bool WaitFor(Condition condition, int seconds = 30) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return condition();
}

// What the shell sends: a DROPFILES block with wide names, each ended by a NUL,
// and one more at the end. The receiver frees it.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::wstring names;
  for (const std::string& path : paths) names += Wide(path) + L'\0';
  names += L'\0';
  const SIZE_T size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

TEST(WindowWin32Test, TheProgramsWindowTakesASecondStartsPathsAndClosesCleanly) {
  const TTestFolder tree("窓の木");
  const std::string program = tree.Path() + "dovanel.exe";
  CopyInto(TestSetting("DOVANEL_TEST_PROGRAM"), program);
  CopyInto(FakeLibrary("lha", "UNLHA32.DLL"), tree.Path() + "UNLHA32.DLL");
  const std::string entries = WriteFile(tree.Path() + "entries.txt", "5021 6000 新しい/ファイル.txt\n", kOld);
  const std::string handed = WriteFile(tree.Path() + "渡す.lzh", "-lh5-", kOld);
  ASSERT_EQ(FindWindowA("Tdovanel", nullptr), nullptr) << "another window is open";

  SetEnvironmentVariableW(L"DOVANEL_FAKE_ENTRIES", Wide(entries).c_str());
  SetEnvironmentVariableW(L"DOVANEL_LIBRARY_PATH", L"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + Wide(program) + L"\"";
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  struct Closer {
    PROCESS_INFORMATION& process;
    ~Closer() {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  } closer{process};

  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    window = FindWindowA("Tdovanel", nullptr);
    return window != nullptr && IsWindowVisible(window);
  })) << "no window of class Tdovanel was shown";
  const HWND label = FindWindowExW(window, nullptr, L"STATIC", nullptr);
  const HWND files = FindWindowExW(window, nullptr, L"LISTBOX", nullptr);
  ASSERT_NE(label, nullptr);
  ASSERT_NE(files, nullptr);

  const TProgramRun second = RunProgram(program, {handed});
  EXPECT_EQ(second.exitCode, 0) << second.output;
  EXPECT_EQ(second.output, "");
  EXPECT_TRUE(WaitFor([&] { return FileAge(handed) == kNewest; })) << "the handed-over path was not re-dated";
  EXPECT_TRUE(WaitFor([&] { return TextOf(label) == L"Finish"; })) << Narrow(TextOf(label));
  ASSERT_EQ(SendMessageW(files, LB_GETCOUNT, 0, 0), 1);
  wchar_t row[512] = {};
  SendMessageW(files, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(row));
  EXPECT_EQ(Narrow(row), handed);

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0) << "the window did not close";
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

// The form as the program makes it, in this process (whose code page is the
// program's: the same manifest).
TEST(WindowWin32Test, TheFormTakesTheShellsDropOfAFolder) {
  const TTestFolder tree("落とす木");
  // Found where it was built: a library stays loaded, and so in its folder.
  const std::string libraries = ExtractFilePath(FakeLibrary("lha", "UNLHA32.DLL"));
  const std::string dropped = tree.Path() + "落とすフォルダ";
  ASSERT_TRUE(CreateDirectoryW(Wide(dropped).c_str(), nullptr));
  const std::string entries = WriteFile(tree.Path() + "entries.txt", "5021 6000 新しい/ファイル.txt\n", kOld);
  const std::string archive = WriteFile(dropped + "\\表.lzh", "-lh5-", kOld);
  const std::string text = WriteFile(dropped + "\\読む.txt", "text", kOld);
  _putenv_s("DOVANEL_LIBRARY_PATH", libraries.c_str());
  _putenv_s("DOVANEL_FAKE_ENTRIES", entries.c_str());

  int argc = 1;
  char name[] = "dovanel";
  char* argv[] = {name, nullptr};
  TApplication application(argc, argv);
  Tdovanel form(nullptr);
  form.Show();
  ASSERT_TRUE(IsWindowVisible(form.Handle()));
  PostMessageW(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped})), 0);
  EXPECT_TRUE(WaitFor([&] {
    application.ProcessMessages();
    return form.Label1->Caption() == "Finish";
  })) << form.Label1->Caption();
  EXPECT_EQ(FileAge(archive), kNewest);
  EXPECT_EQ(FileAge(text), kOld);
  ASSERT_EQ(form.ListBox1->Count(), 2);
  EXPECT_EQ(form.ListBox1->Item(0), archive) << "in the byte order of the names";
  EXPECT_EQ(form.ListBox1->Item(1), text);
  ASSERT_EQ(SendMessageW(form.ListBox1->Handle(), LB_GETCOUNT, 0, 0), 2) << "the list box's window shows the rows";
  _putenv_s("DOVANEL_LIBRARY_PATH", "");
  _putenv_s("DOVANEL_FAKE_ENTRIES", "");
}
}  // namespace
