#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/FileMove.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

TTestFolder::TTestFolder(const std::string& name) {
  root_ = CreatePrivateTemporaryFolder("dv-win-");
  EXPECT_FALSE(root_.empty());
  path_ = IncludeTrailingPathDelimiter(root_) + name;
  EXPECT_TRUE(CreateDirectoryW(WidePath(path_).c_str(), nullptr))
      << path_ << " (error " << GetLastError() << ", root " << root_ << " attributes "
      << GetFileAttributesW(WidePath(root_).c_str()) << ")";
  path_ = IncludeTrailingPathDelimiter(path_);
}

TTestFolder::~TTestFolder() { EXPECT_TRUE(RemoveFolderTree(root_)); }

std::string TestSetting(const char* name) {
  const char* value = std::getenv(name);
  EXPECT_NE(value, nullptr) << name << " is not set: the test runs from ctest";
  return value != nullptr ? value : "";
}

std::string FakeLibrary(const std::string& folder, const std::string& file) {
  return IncludeTrailingPathDelimiter(TestSetting("DOVANEL_TEST_FAKES")) + folder + "\\" + file;
}

void CopyInto(const std::string& from, const std::string& to) {
  EXPECT_TRUE(CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), FALSE)) << from << " -> " << to;
}

std::string WriteFile(const std::string& path, const std::string& bytes, TDosDateTime date) {
  {
    TFileStream stream(path, fmCreate);
    stream.WriteBuffer(bytes.data(), bytes.size());
  }
  const int handle = FileOpen(path, fmOpenReadWrite | fmShareExclusive);
  EXPECT_GE(handle, 0) << path;
  EXPECT_EQ(FileSetDate(handle, date), 0);
  FileClose(handle);
  return path;
}

namespace {
// In quotes, as the C runtime splits it again: backslashes before the
// closing quote are doubled (a folder's path ends in one). None of the tests'
// arguments holds a quote.
std::wstring Quoted(const std::string& argument) {
  std::wstring text = Wide(argument);
  std::size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == L'\\') ++trailing;
  return L"\"" + text + std::wstring(trailing, L'\\') + L"\"";
}

std::wstring QuotedCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::wstring line = Quoted(program);
  for (const std::string& argument : arguments) line += L" " + Quoted(argument);
  return line;
}

// The current environment with the additions, as CreateProcessW takes it.
std::wstring EnvironmentBlock(const std::vector<std::string>& additions) {
  std::wstring block;
  wchar_t* current = GetEnvironmentStringsW();
  for (const wchar_t* entry = current; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text = entry;
    bool replaced = false;
    for (const std::string& addition : additions) {
      const std::wstring name = Wide(addition.substr(0, addition.find('=') + 1));
      replaced = replaced || _wcsnicmp(text.c_str(), name.c_str(), name.size()) == 0;
    }
    if (!replaced) block += text + L'\0';
  }
  FreeEnvironmentStringsW(current);
  for (const std::string& addition : additions) block += Wide(addition) + L'\0';
  return block + L'\0';
}
}  // namespace

TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
  TProgramRun run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    ADD_FAILURE() << "no pipe";
    return run;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::wstring line = QuotedCommandLine(program, arguments);
  std::wstring block = EnvironmentBlock(environment);
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                      block.data(), nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    ADD_FAILURE() << "could not start " << program << " (error " << GetLastError() << ")";
    CloseHandle(readEnd);
    return run;
  }
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
  CloseHandle(readEnd);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << program << " did not end";
    TerminateProcess(process.hProcess, 99);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}
