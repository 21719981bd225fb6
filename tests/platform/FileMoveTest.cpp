// Moving a file within its file system and onto another one, and the
// private temporary folder the ZIP driver keeps an old archive in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <set>

#include "platform/rtl/FileMove.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

std::set<std::string> NamesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) names.insert(item.path().filename());
  return names;
}

struct MoveCase {
  std::string name;
  bool otherFileSystem;      // the new name is on another file system
  bool targetExists;         // a file stands at the new name already
  bool targetFolderMissing;  // the new name's folder does not exist: the move fails
  friend std::ostream& operator<<(std::ostream& out, const MoveCase& value) { return out << value.name; }
};

class MoveFileTest : public ::testing::TestWithParam<MoveCase> {};

// Bytes, mode and times arrive whole; the old name goes only when they did;
// nothing but the file is left on either side.
TEST_P(MoveFileTest, MovesTheFileWholeOrNotAtAll) {
  const MoveCase& row = GetParam();
  const TempDir here;
  const auto there = row.otherFileSystem ? std::make_unique<TempDir>(kOtherFileSystem) : std::make_unique<TempDir>();
  ASSERT_EQ(StatOf(here.path()).st_dev != StatOf(there->path()).st_dev, row.otherFileSystem)
      << kOtherFileSystem << " must be another file system than " << here.path();
  // A name with Shift-JIS 0x5C trail bytes, and bytes of every value.
  const std::string oldName = here / "\x95\x5C\x83\x5C.zip";
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  WriteFile(oldName, bytes);
  ASSERT_EQ(::chmod(oldName.c_str(), 0640), 0);
  const struct timeval times[2] = {{1000000000, 0}, {1200000000, 0}};
  ASSERT_EQ(::utimes(oldName.c_str(), times), 0);
  const std::string newName = row.targetFolderMissing ? *there / "missing/a.zip" : *there / "a.zip";
  if (row.targetExists) WriteFile(newName, "in the way");

  const bool moved = MoveFile(oldName, newName);

  EXPECT_EQ(moved, !row.targetFolderMissing);
  if (moved) {
    EXPECT_FALSE(std::filesystem::exists(oldName));
    EXPECT_EQ(ReadFile(newName), bytes);
    const struct stat info = StatOf(newName);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_mtime, 1200000000);
    EXPECT_EQ(NamesIn(there->path()), std::set<std::string>{"a.zip"});
  } else {
    EXPECT_EQ(ReadFile(oldName), bytes);
    EXPECT_TRUE(NamesIn(there->path()).empty());
  }
  EXPECT_EQ(NamesIn(here.path()), moved ? std::set<std::string>{} : std::set<std::string>{"\x95\x5C\x83\x5C.zip"});
}

INSTANTIATE_TEST_SUITE_P(Moves, MoveFileTest,
                         ::testing::Values(MoveCase{"SameFileSystem", false, false, false},
                                           MoveCase{"SameFileSystemOverAFile", false, true, false},
                                           MoveCase{"OtherFileSystem", true, false, false},
                                           MoveCase{"OtherFileSystemOverAFile", true, true, false},
                                           MoveCase{"OtherFileSystemNoFolder", true, false, true},
                                           MoveCase{"SameFileSystemNoFolder", false, false, true}),
                         [](const auto& info) { return info.param.name; });

TEST(PrivateTemporaryFolderTest, IsMadeInTmpdirForItsOwnerAloneAndRemovedWhole) {
  const TempDir tmp;
  const ScopedEnvironment variable("TMPDIR", tmp.path().string());
  const std::string first = CreatePrivateTemporaryFolder("aside-");
  const std::string second = CreatePrivateTemporaryFolder("aside-");
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(std::filesystem::path(first).parent_path(), tmp.path());
  EXPECT_EQ(std::filesystem::path(first).filename().string().rfind("aside-", 0), 0u);
  EXPECT_EQ(StatOf(first).st_mode & 07777, 0700u);
  // Removal takes what is inside and never follows a link out.
  WriteFile(tmp / "outside", "keep");
  WriteFile(first + "/sub/file", "x");
  std::filesystem::create_directory_symlink(tmp.path(), first + "/sub/up");
  EXPECT_TRUE(RemoveFolderTree(first));
  EXPECT_TRUE(RemoveFolderTree(second));
  EXPECT_EQ(NamesIn(tmp.path()), std::set<std::string>{"outside"});
  EXPECT_EQ(ReadFile(tmp / "outside"), "keep");
}

}  // namespace
