// dovanel.exe /Q as a user runs it: unpacked into a folder of its own with an
// archiver library of the user's beside it (a fake one, found by name, as any
// other would be), over a tree with Japanese folder and file names. Run under
// a Japanese and an English locale (the test's registrations).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"
#include "tests/windows/WindowsTestSupport.h"

namespace {
constexpr TDosDateTime kOld = (21 << 25) | (1 << 21) | (1 << 16);                  // 2001-01-01 00:00:00
constexpr TDosDateTime kNewest = (40 << 25) | (1 << 21) | (1 << 16) | (12 << 11);  // 2020-01-01 12:00:00

class ProgramWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = tree_.Path() + "プログラム\\";
    data_ = tree_.Path() + "データ\\";
    for (const std::string& folder : {program_, data_, data_ + "サブ\\"})
      ASSERT_TRUE(CreateDirectoryW(WidePath(folder).c_str(), nullptr)) << folder;
    CopyInto(TestSetting("DOVANEL_TEST_PROGRAM"), program_ + "dovanel.exe");
    CopyInto(FakeLibrary("lha", "UNLHA32.DLL"), program_ + "UNLHA32.DLL");
    // The fake lists these entries: an older one and the newest, Japanese names.
    entries_ =
        WriteFile(tree_.Path() + "entries.txt", "3ccf 0000 古い/ファイル.txt\n5021 6000 新しい/ファイル.txt\n", kOld);
  }

  TProgramRun Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"/Q"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    // Only what is beside the program may be found.
    return RunProgram(program_ + "dovanel.exe", all, {"DOVANEL_LIBRARY_PATH=", "DOVANEL_FAKE_ENTRIES=" + entries_});
  }

  TTestFolder tree_{"書庫の木"};
  std::string program_, data_, entries_;
};

TEST_F(ProgramWin32Test, ArchivesGetTheirNewestEntrysTimeAndTheRestIsLeftAsItIs) {
  const std::string archive = WriteFile(data_ + "サブ\\表.lzh", "-lh5-", kOld);
  const std::string upper = WriteFile(data_ + "大文字.LZH", "-lh5-", kOld);
  const std::string text = WriteFile(data_ + "読む.txt", "text", kOld);
  const std::string given = WriteFile(tree_.Path() + "単独.lzh", "-lh5-", kOld);

  const TProgramRun run = Run({data_, given});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "") << "a run where all goes well prints nothing";
  for (const std::string& path : {archive, upper, given}) EXPECT_EQ(FileAge(path), kNewest) << path;
  EXPECT_EQ(FileAge(text), kOld);
}

TEST_F(ProgramWin32Test, WhatCannotBeHandledIsToldOneLineEachAndTheExitStatusSaysSo) {
  const std::string archive = WriteFile(data_ + "表.lzh", "-lh5-", kOld);
  const std::string cabinet = WriteFile(data_ + "キャブ.cab", "MSCF", kOld);
  const std::string missing = data_ + "無い.lzh";

  const TProgramRun run = Run({missing, data_});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  struct Expected {
    std::string line;  // how the line begins
    std::string holds;
  };
  const Expected expected[] = {
      {missing + ": ", "No such file or directory"},
      // No CAB32.DLL: the line names the folder searched, the program's own.
      {cabinet + ": ", program_.substr(0, program_.size() - 1)},
  };
  for (const Expected& e : expected) {
    const std::size_t at = run.output.find(e.line);
    ASSERT_NE(at, std::string::npos) << e.line << " in\n" << run.output;
    const std::string line = run.output.substr(at, run.output.find('\n', at) - at);
    EXPECT_NE(line.find(e.holds), std::string::npos) << line;
  }
  EXPECT_EQ(FileAge(archive), kNewest) << "the others are still re-dated";
  EXPECT_EQ(FileAge(cabinet), kOld);
}
}  // namespace
