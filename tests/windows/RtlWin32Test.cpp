// platform/rtl over the Win32 calls, as the program and the libraries meet
// it: UTF-8 names whatever the code page, a file another process holds, the
// time change and its checks, and paths past the classic 260 characters.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileMove.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace {
class RtlWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = CreatePrivateTemporaryFolder("dv-rtl-");
    ASSERT_FALSE(folder_.empty());
    folder_ = IncludeTrailingPathDelimiter(folder_);
  }
  void TearDown() override { EXPECT_TRUE(RemoveFolderTree(folder_)); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = folder_ + name;
    TFileStream stream(path, fmCreate);
    stream.WriteBuffer(bytes.data(), bytes.size());
    return path;
  }

  std::string folder_;
};

TEST_F(RtlWin32Test, AFolderListsInNameOrderWithItsJapaneseNamesWhole) {
  Write("b.zip", "b");
  Write("表.lzh", "l");
  Write("a.txt", "a");
  ASSERT_TRUE(CreateDirectoryW(WidePath(folder_ + "サブ").c_str(), nullptr));
  std::vector<std::string> seen;
  TSearchRec rec;
  for (int found = FindFirst(folder_ + "*.*", faAnyFile, rec); found == 0; found = FindNext(rec)) {
    if (rec.Name == "." || rec.Name == "..") continue;
    seen.push_back(rec.Name + ((rec.Attr & faDirectory) ? "/" : IsRegularFile(rec) ? "" : "?"));
  }
  FindClose(rec);
  EXPECT_EQ(seen, (std::vector<std::string>{"a.txt", "b.zip", "サブ/", "表.lzh"}));
  EXPECT_TRUE(FileExists(folder_ + "表.lzh"));
  EXPECT_TRUE(DirectoryExists(folder_ + "サブ"));
  EXPECT_EQ(FindFirst(folder_ + "missing\\*.*", faAnyFile, rec), ENOENT);
}

TEST_F(RtlWin32Test, AFileAnotherProcessHoldsIsHeldAndAReadOnlyOneIsNotWritten) {
  const std::string held = Write("held.zip", "PK");
  const HANDLE other = CreateFileW(WidePath(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  errno = 0;
  EXPECT_EQ(FileOpen(held, fmOpenReadWrite | fmShareExclusive), -1);
  EXPECT_EQ(errno, EWOULDBLOCK) << "a sharing violation is a held file, not an unreadable one";
  CloseHandle(other);
  const int reopened = FileOpen(held, fmOpenReadWrite | fmShareExclusive);
  EXPECT_GE(reopened, 0);
  FileClose(reopened);

  const std::string readOnly = Write("read-only.zip", "PK");
  ASSERT_TRUE(SetFileAttributesW(WidePath(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  errno = 0;
  EXPECT_EQ(FileOpen(readOnly, fmOpenReadWrite | fmShareExclusive), -1);
  EXPECT_EQ(errno, EROFS);
  ASSERT_TRUE(SetFileAttributesW(WidePath(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST_F(RtlWin32Test, TheTimeSetIsTheTimeReadAndBytesStayBinary) {
  const std::string bytes("Rar!\x1a\x07\x00\r\n\x1a", 10);
  const std::string archive = Write("日本語.rar", bytes);
  TFileIdentity identity;
  ASSERT_TRUE(GetFileIdentity(archive, identity));
  const int handle = FileOpen(archive, fmOpenReadWrite | fmShareExclusive, &identity);
  ASSERT_GE(handle, 0);
  const TDateTime moment = EncodeDate(2001, 5, 6) + EncodeTime(10, 20, 30, 0);
  EXPECT_EQ(FileSetDate(handle, DateTimeToFileDate(moment)), 0);
  FileClose(handle);
  TDateTime read = 0;
  ASSERT_TRUE(FileAgeDateTime(archive, read));
  EXPECT_EQ(DateTimeToFileDate(read), DateTimeToFileDate(moment));

  TFileStream stream(archive, fmOpenRead);
  std::string back(16, '\0');
  back.resize(stream.Read(back.data(), back.size()));
  EXPECT_EQ(back, bytes) << "no byte taken for a line end or the end of a text file";
}

TEST_F(RtlWin32Test, AFileRenamedOverTheListedOneIsNotTheSame) {
  const std::string listed = Write("listed.zip", "one");
  const std::string other = Write("other.conf", "two");
  TFileIdentity identity;
  ASSERT_TRUE(GetFileIdentity(listed, identity));
  ASSERT_TRUE(RenameFile(other, listed));
  errno = 0;
  EXPECT_EQ(FileOpen(listed, fmOpenReadWrite | fmShareExclusive, &identity), -1);
  EXPECT_EQ(errno, kFileReplaced);
}

TEST_F(RtlWin32Test, PathsPastTheClassicLimitAreReached) {
  std::string deep = folder_;
  while (deep.size() < 400) {
    deep += std::string(60, 'd') + "\\";
    ASSERT_TRUE(CreateDirectoryW(WidePath(deep).c_str(), nullptr)) << deep.size();
  }
  const std::string file = Write(deep.substr(folder_.size()) + "深い.zip", "PK");
  EXPECT_TRUE(FileExists(file));
  TDateTime moment;
  EXPECT_TRUE(FileAgeDateTime(file, moment));
  TSearchRec rec;
  EXPECT_EQ(FindFirst(deep + "*.*", faAnyFile, rec), 0);
  FindClose(rec);
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(FileExists(file));
}
}  // namespace
