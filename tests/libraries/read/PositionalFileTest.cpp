// Reading an archive file by position gives the file's bytes whether it is
// small enough to be held in memory after one read or read piece by piece,
// at every edge: the start, the last byte, the end and past it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "libraries/core/read/PositionalFile.h"
#include "tests/support/TempDir.h"

namespace {
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& c : bytes) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  return bytes;
}

TEST(ArchiveFileReadTest, EveryReadGivesTheFilesBytesHeldOrNot) {
  struct Case {
    std::size_t size;
    bool held;
  };
  const Case cases[] = {{1, true}, {4096, true}, {65536, true}, {65537, false}, {300000, false}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string path = dir / ("f" + std::to_string(c.size));
    const std::string bytes = Pattern(c.size);
    WriteFile(path, bytes);
    const auto file = dv::PositionalFile::Open(path.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size(), static_cast<std::int64_t>(c.size));
    EXPECT_EQ(file->Held() != nullptr, c.held);
    const std::int64_t size = file->size();
    const std::int64_t offsets[] = {0, size / 2, size - 1, size, size + 7};
    for (const std::int64_t offset : offsets) {
      std::vector<char> got(100, 'x');
      const std::int64_t count = file->ReadAt(offset, got.data(), got.size());
      const std::int64_t expected = std::max<std::int64_t>(0, std::min<std::int64_t>(100, size - offset));
      ASSERT_EQ(count, expected) << "at " << offset;
      EXPECT_EQ(std::string(got.data(), static_cast<std::size_t>(count)),
                bytes.substr(static_cast<std::size_t>(std::min(offset, size)), static_cast<std::size_t>(count)))
          << "at " << offset;
    }
    EXPECT_EQ(file->ReadAt(-1, nullptr, 0), -1);
    std::string whole(c.size, '\0');
    EXPECT_TRUE(file->ReadExactly(0, whole.data(), whole.size()));
    EXPECT_EQ(whole, bytes);
    EXPECT_FALSE(file->ReadExactly(1, whole.data(), whole.size())) << "one byte past the end is not there";
  }
}

TEST(ArchiveFileReadTest, AnEmptyFileOpensAndReadsNothing) {
  TempDir dir;
  WriteFile(dir / "empty", "");
  const auto file = dv::PositionalFile::Open((dir / "empty").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Held(), nullptr);
  char byte = 0;
  EXPECT_EQ(file->ReadAt(0, &byte, 1), 0);
}
}  // namespace
