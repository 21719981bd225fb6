// File routines: what counts as a file, the last-write time, and the
// exclusive open used to change it.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/rtl/Files.h"
#include "tests/support/TempDir.h"

namespace {
struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st;
}

TEST(FilesTest, OnlyRegularFilesAfterLinksAreFiles) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  std::filesystem::create_directory(dir / "folder");
  std::filesystem::create_symlink(dir / "file", dir / "link-to-file");
  std::filesystem::create_directory_symlink(dir / "folder", dir / "link-to-folder");
  std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  struct Row {
    const char* name;
    bool file, folder, link;
  };
  for (Row row :
       {Row{"file", true, false, false}, Row{"folder", false, true, false}, Row{"link-to-file", true, false, true},
        Row{"link-to-folder", false, true, true}, Row{"dangling", false, false, true}, Row{"fifo", false, false, false},
        Row{"missing", false, false, false}}) {
    EXPECT_EQ(FileExists(dir / row.name), row.file) << row.name;
    EXPECT_EQ(DirectoryExists(dir / row.name), row.folder) << row.name;
    EXPECT_EQ(IsSymbolicLink(dir / row.name), row.link) << row.name;
  }
}

TEST(FilesTest, ListingReportsLinksToFoldersAsLinks) {
  TempDir dir;
  WriteFile(dir / "a", "");
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_directory_symlink(dir / "sub", dir / "back");
  std::map<std::string, int> seen;
  TSearchRec rec;
  for (int found = FindFirst(dir / "*.*", faAnyFile, rec); found == 0; found = FindNext(rec)) seen[rec.Name] = rec.Attr;
  FindClose(rec);
  ASSERT_EQ(seen.size(), 5u);  // ".", "..", a, sub, back
  EXPECT_TRUE(seen["sub"] & faDirectory);
  EXPECT_FALSE(seen["back"] & faDirectory);
  EXPECT_TRUE(seen["back"] & faSymLink);
  EXPECT_FALSE(seen["a"] & faDirectory);
}

TEST(FilesTest, ListingComesInByteOrderOfTheNamesWhateverTheCreationOrder) {
  TempDir dir;
  // Made out of order; Shift-JIS names with a 0x5C trail byte (ソ, 表) and a
  // UTF-8 one sort by their bytes like any other.
  for (const char* name : {"s14", "\x95\x5c.lzh", "s01", "a.zip", "\xe8\xa1\xa8.zip", "s05", "B.zip", "\x83\x5c.zip"})
    WriteFile(dir / name, "");
  std::filesystem::create_directory(dir / "s10");
  std::vector<std::string> seen;
  TSearchRec rec;
  for (int found = FindFirst(dir / "*.*", faAnyFile, rec); found == 0; found = FindNext(rec)) seen.push_back(rec.Name);
  FindClose(rec);
  const std::vector<std::string> expected{".",   "..",           "B.zip",        "a.zip",           "s01", "s05", "s10",
                                          "s14", "\x83\x5c.zip", "\x95\x5c.lzh", "\xe8\xa1\xa8.zip"};
  EXPECT_EQ(seen, expected);
}

TEST(FilesTest, ListingPassesOverEntriesGoneSinceTheFolderWasRead) {
  TempDir dir;
  for (const char* name : {"a", "b", "c"}) WriteFile(dir / name, "");
  TSearchRec rec;
  ASSERT_EQ(FindFirst(dir / "*", faAnyFile, rec), 0);
  std::filesystem::remove(dir / "b");
  std::vector<std::string> seen{rec.Name};
  while (FindNext(rec) == 0) seen.push_back(rec.Name);
  FindClose(rec);
  EXPECT_EQ(seen, (std::vector<std::string>{".", "..", "a", "c"}));
  EXPECT_NE(FindNext(rec), 0) << "a closed listing finds nothing";
}

TEST(FilesTest, ExclusiveOpenRefusesWhatMustKeepItsTime) {
  TempDir dir;
  WriteFile(dir / "plain", "x");
  WriteFile(dir / "readonly", "x");
  ASSERT_EQ(::chmod((dir / "readonly").c_str(), 0444), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  WriteFile(dir / "held", "x");
  const int holder = ::open((dir / "held").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_SH), 0);

  const int plain = FileOpen(dir / "plain", fmOpenReadWrite | fmShareExclusive);
  EXPECT_GE(plain, 0);
  FileClose(plain);
  // Why, in errno: the run tells a read-only file (left on purpose) from a refusal.
  struct Case {
    const char* name;
    int error;
  };
  for (const Case& c :
       {Case{"readonly", EROFS}, Case{"fifo", EINVAL}, Case{"held", EWOULDBLOCK}, Case{"missing", ENOENT}}) {
    errno = 0;
    EXPECT_EQ(FileOpen(dir / c.name, fmOpenReadWrite | fmShareExclusive), -1) << c.name;
    EXPECT_EQ(errno, c.error) << c.name << ": " << std::strerror(errno);
  }
  ::close(holder);
  const int readOnly = FileOpen(dir / "readonly", fmOpenRead);
  EXPECT_GE(readOnly, 0) << "read-only is no bar to reading";
  FileClose(readOnly);
}

TEST(FilesTest, AReadOnlyFileIsToldAsSuchToAUserTheSystemRefuses) {
  TempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
  const std::string path = dir / "readonly";
  WriteFile(path, "x");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  // In a child that is no root (root is never refused): the open fails there
  // for want of rights, and must still read as "read-only".
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && ::setresuid(65534, 65534, 65534) != 0) ::_exit(100);
    errno = 0;
    const int handle = FileOpen(path, fmOpenReadWrite | fmShareExclusive);
    ::_exit(handle == -1 ? errno : 101);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EROFS) << "100: could not leave root; 101: it opened";
}

TEST(FilesTest, SettingTheDateChangesOnlyTheLastWriteTime) {
  TempDir dir;
  const std::string path = dir / "f";
  WriteFile(path, "content");
  const struct timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0);
  const int handle = FileOpen(path, fmOpenReadWrite | fmShareExclusive);
  ASSERT_GE(handle, 0);
  // 2001-05-06 10:20:30 local.
  const TDosDateTime dos =
      static_cast<TDosDateTime>((((21u << 9) | (5u << 5) | 6u) << 16) | (10u << 11) | (20u << 5) | 15u);
  EXPECT_EQ(FileSetDate(handle, dos), 0);
  FileClose(handle);
  EXPECT_EQ(StatOf(path).st_mtime, 989112030);
  EXPECT_EQ(StatOf(path).st_atime, 1000000000);
  EXPECT_EQ(ReadFile(path), "content");
  EXPECT_EQ(FileAge(path), dos);
}

TEST(FilesTest, AgeIsUnknownForWhatCannotBeRead) {
  TempDir dir;
  TDateTime value = 0;
  EXPECT_FALSE(FileAgeDateTime(dir / "missing", value));
  EXPECT_EQ(FileAge(dir / "missing"), -1);
  WriteFile(dir / "old", "");
  const struct timeval times[2] = {{0, 0}, {0, 0}};
  ASSERT_EQ(::utimes((dir / "old").c_str(), times), 0);
  EXPECT_TRUE(FileAgeDateTime(dir / "old", value)) << "a time before 1980 is still shown";
  EXPECT_EQ(FileAge(dir / "old"), -1) << "but has no DOS form";
}
}  // namespace
