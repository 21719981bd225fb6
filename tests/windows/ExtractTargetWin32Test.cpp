// What extraction guarantees, in its Windows form: names are UTF-8 whatever
// the code page, bytes are written as they are, an existing file is kept or
// replaced whole, and a name that is no plain name (a drive, a stream)
// writes nothing. Not tried here, since wine 8 cannot show them: that a
// reparse point is not followed (it makes no junction or symbolic link) and
// that a folder held open cannot be moved (it keeps no sharing rules for
// folders).
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include "libraries/core/extract/ExtractTarget.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/util/DiskFiles.h"
#include "tests/support/TempDir.h"

namespace dv {
namespace {

constexpr std::time_t kMoment = 1000000000;  // 2001-09-09 01:46:40 UTC

std::function<DataResult(const DataSink&)> Bytes(std::string bytes) {
  return [bytes = std::move(bytes)](const DataSink& sink) {
    return sink(bytes.data(), bytes.size()) ? DataResult::kDone : DataResult::kSinkFailed;
  };
}

// The whole file, read back through the core's own reader.
std::string Contents(const std::string& path) {
  const auto file = PositionalFile::Open(path.c_str());
  if (!file) return "(cannot open " + path + ")";
  std::string bytes(static_cast<std::size_t>(file->size()), '\0');
  if (!file->ReadExactly(0, bytes.data(), bytes.size())) return "(cannot read " + path + ")";
  return bytes;
}

class ExtractTargetWin32Test : public ::testing::Test {
 protected:
  std::string Path(const std::string& relative) const { return TextOf(PathOf(TextOf(dir_.path())) / PathOf(relative)); }
  TempDir dir_;
};

TEST_F(ExtractTargetWin32Test, WritesJapaneseNamesBytesAndTimesAsGiven) {
  auto target = ExtractTarget::Open(TextOf(dir_.path()));
  ASSERT_TRUE(target);
  // 0x1A ends a text-mode read; "\n" would gain a "\r" in a text-mode write.
  const std::string bytes("a\r\n\x1a\nb\0c", 8);
  ASSERT_EQ(target->WriteFile({"表示", "ソフト.txt"}, Stamp{0644, kMoment, kMoment}, false, Bytes(bytes)),
            WriteOutcome::kWritten);
  EXPECT_EQ(Contents(Path("表示/ソフト.txt")), bytes);
  const auto info = LookAt(Path("表示/ソフト.txt"), false);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->modified, kMoment);
  EXPECT_EQ(info->kind, DiskKind::kFile);
  // The names are the wide ones, not the UTF-8 bytes taken in some code page.
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(dir_.path() / std::filesystem::path(u8"表示"), error))
    names.push_back(TextOf(item.path().filename()));
  EXPECT_FALSE(error);
  EXPECT_EQ(names, std::vector<std::string>{"ソフト.txt"});
}

TEST_F(ExtractTargetWin32Test, AnExistingFileIsKeptOrReplacedWholeAndNoTemporaryStays) {
  WriteFile(dir_.path() / "a.txt", "old");
  auto target = ExtractTarget::Open(TextOf(dir_.path()));
  ASSERT_TRUE(target);
  struct Case {
    bool overwrite;
    WriteOutcome outcome;
    const char* contents;
  };
  for (const Case& c : {Case{false, WriteOutcome::kKept, "old"}, Case{true, WriteOutcome::kWritten, "new"}}) {
    EXPECT_EQ(target->WriteFile({"a.txt"}, Stamp{0644, kMoment, {}}, c.overwrite, Bytes("new")), c.outcome)
        << c.overwrite;
    EXPECT_EQ(Contents(Path("a.txt")), c.contents) << c.overwrite;
  }
  // Data that fails leaves the old file and no half-written one.
  const auto broken = [](const DataSink& sink) {
    sink("x", 1);
    return DataResult::kBroken;
  };
  EXPECT_EQ(target->WriteFile({"a.txt"}, Stamp{0644, {}, {}}, true, broken), WriteOutcome::kBroken);
  EXPECT_EQ(Contents(Path("a.txt")), "new");
  std::error_code error;
  EXPECT_EQ(FolderNames(TextOf(dir_.path()), error), std::vector<std::string>{"a.txt"});
}

TEST_F(ExtractTargetWin32Test, ANameThatIsNoPlainNameWritesNothing) {
  auto target = ExtractTarget::Open(TextOf(dir_.path()));
  ASSERT_TRUE(target);
  // A stream of "x", a drive, a folder step that is a drive.
  const std::vector<std::vector<std::string>> paths = {{"x:stream"}, {"C:"}, {"C:", "Windows", "a.txt"}};
  for (const auto& path : paths) {
    EXPECT_EQ(target->WriteFile(path, Stamp{0644, {}, {}}, true, Bytes("data")), WriteOutcome::kCannotCreate)
        << path.front();
    EXPECT_EQ(target->error(), EINVAL) << path.front();
  }
  std::error_code error;
  EXPECT_TRUE(FolderNames(TextOf(dir_.path()), error).empty());
}

TEST_F(ExtractTargetWin32Test, AFileWhereAFolderMustBeIsRefused) {
  WriteFile(dir_.path() / "a", "file");
  auto target = ExtractTarget::Open(TextOf(dir_.path()));
  ASSERT_TRUE(target);
  EXPECT_EQ(target->WriteFile({"a", "b.txt"}, Stamp{0644, {}, {}}, true, Bytes("data")), WriteOutcome::kCannotCreate);
  EXPECT_EQ(target->error(), ENOTDIR);
  EXPECT_EQ(Contents(Path("a")), "file");
}

TEST_F(ExtractTargetWin32Test, FoldersMadeForFolderEntriesGetTheirTimesAtTheEnd) {
  auto target = ExtractTarget::Open(TextOf(dir_.path()));
  ASSERT_TRUE(target);
  ASSERT_EQ(target->MakeDirectory({"d"}, Stamp{0755, kMoment, kMoment}), WriteOutcome::kWritten);
  ASSERT_EQ(target->WriteFile({"d", "f.txt"}, Stamp{0644, {}, {}}, false, Bytes("f")), WriteOutcome::kWritten);
  target->Finish();
  const auto info = LookAt(Path("d"), false);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->kind, DiskKind::kFolder);
  EXPECT_EQ(info->modified, kMoment);
}

}  // namespace
}  // namespace dv
