// The name a file found on a Windows disk is stored under: relative and
// '/'-separated, without its drive or root (a share keeps its server and
// share as folders, as "//server/share" does on Linux), whichever
// separator the caller wrote.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "libraries/core/create/FileCollector.h"

namespace {

struct Row {
  const char* path;
  const char* stored;
};

std::ostream& operator<<(std::ostream& out, const Row& row) { return out << row.path; }

class StoredNameWin32Test : public ::testing::TestWithParam<Row> {};

TEST_P(StoredNameWin32Test, IsRelativeAndSlashSeparated) {
  EXPECT_EQ(dv::StoredName(GetParam().path), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Paths, StoredNameWin32Test,
                         ::testing::Values(Row{"C:\\表示\\a.txt", "表示/a.txt"}, Row{"C:/表示/../b.txt", "b.txt"},
                                           Row{"\\\\server\\share\\d\\c.txt", "server/share/d/c.txt"},
                                           Row{"d\\e\\..\\f.txt", "d/f.txt"}, Row{".\\a.txt", "a.txt"},
                                           Row{"\\rooted\\g.txt", "rooted/g.txt"}));

}  // namespace
