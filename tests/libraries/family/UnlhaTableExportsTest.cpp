// UNLHA32.DLL exports the whole LHA function table: every name, callable
// with the table's signature, answering about the library, about an open
// archive and about the entry its walk found last.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <ostream>
#include <sstream>

#include "contract/LibraryFunctions.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

constexpr DWORD kNoDword = 0xFFFFFFFFu;
constexpr UINT kNoUint = 0xFFFFFFFFu;

// The table as typed pointers into the loaded library; a missing name
// throws, which fails the test.
struct UnlhaApi {
#define DV_FIELD(name, stubName, Result, parameters, arguments) Result(WINAPI* name) parameters = nullptr;
  DV_UNLHA_FUNCTIONS(DV_FIELD)
#undef DV_FIELD
};

UnlhaApi Bind(const ArchiverLibrary& library) {
  UnlhaApi api;
#define DV_BIND(name, stubName, Result, parameters, arguments) \
  api.name = reinterpret_cast<decltype(api.name)>(library.Require(#name));
  DV_UNLHA_FUNCTIONS(DV_BIND)
#undef DV_BIND
  return api;
}

#define DV_NAME(name, stubName, Result, parameters, arguments) #name,
const std::vector<std::string> kTableNames = {DV_UNLHA_FUNCTIONS(DV_NAME)};
#undef DV_NAME

class UnlhaTableTest : public ::testing::Test {
 protected:
  ArchiverLibrary library_{LibraryFor("UNLHA32.DLL")};
  UnlhaApi api_ = Bind(library_);
  TempDir dir_;
};

TEST_F(UnlhaTableTest, VersionRunningAndTheModesItKeeps) {
  EXPECT_EQ(api_.UnlhaGetVersion(), 100);
  EXPECT_EQ(api_.UnlhaGetSubVersion(), 1);
  EXPECT_EQ(api_.UnlhaGetRunning(), FALSE);
  for (const BOOL mode : {TRUE, FALSE}) {
    EXPECT_EQ(api_.UnlhaSetBackGroundMode(mode), TRUE);
    EXPECT_EQ(api_.UnlhaGetBackGroundMode(), mode);
    EXPECT_EQ(api_.UnlhaSetCursorMode(mode), TRUE);
    EXPECT_EQ(api_.UnlhaGetCursorMode(), mode);
  }
  const WORD interval = api_.UnlhaGetCursorInterval();
  EXPECT_EQ(api_.UnlhaSetCursorInterval(250), TRUE);
  EXPECT_EQ(api_.UnlhaGetCursorInterval(), 250);
  api_.UnlhaSetCursorInterval(interval);
  char options[8] = "keep";
  EXPECT_EQ(api_.UnlhaConfigDialog(nullptr, options, 0), code::kNotSupported);
  EXPECT_STREQ(options, "keep");
}

// Numbered from 1 in the table's order; the dialog is the one function
// without a body here.
TEST_F(UnlhaTableTest, QueryFunctionListByTableNumber) {
  ASSERT_EQ(kTableNames.size(), 41u);
  for (std::size_t i = 0; i < kTableNames.size(); ++i)
    EXPECT_EQ(api_.UnlhaQueryFunctionList(static_cast<int>(i + 1)),
              kTableNames[i] == "UnlhaConfigDialog" ? FALSE : TRUE)
        << kTableNames[i];
  for (const int outside : {0, -1, 42, 1000}) EXPECT_EQ(api_.UnlhaQueryFunctionList(outside), FALSE) << outside;
}

TEST_F(UnlhaTableTest, FileCountIsWhatTheListingShows) {
  WriteFile(dir_ / "a.txt", "a");
  WriteFile(dir_ / "d/b.txt", "b");
  RunIn(dir_, "jlha a x.lzh a.txt d > /dev/null && zip -q x.zip a.txt");
  EXPECT_EQ(api_.UnlhaGetFileCount((dir_ / "x.lzh").c_str()), 3);
  EXPECT_EQ(api_.UnlhaGetFileCount((dir_ / "x.zip").c_str()), -1);
  EXPECT_EQ(api_.UnlhaGetFileCount((dir_ / "missing.lzh").c_str()), -1);
  EXPECT_EQ(api_.UnlhaGetFileCount(nullptr), -1);
}

// What `jlha v` says of each entry: packed size, method, CRC in hex.
struct JlhaLine {
  DWORD packed = 0, size = 0;
  std::string method, crc, name;
};

std::vector<JlhaLine> JlhaVerbose(const TempDir& dir, const std::string& archive) {
  RunIn(dir, "jlha v " + archive + " > verbose.txt");
  std::istringstream in(ReadFile(dir / "verbose.txt"));
  std::vector<JlhaLine> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("[generic]", 0) != 0) continue;
    std::istringstream fields(line.substr(9));
    JlhaLine entry;
    std::string ratio, month, day, year;
    fields >> entry.packed >> entry.size >> ratio >> entry.method >> entry.crc >> month >> day >> year >> entry.name;
    lines.push_back(entry);
  }
  return lines;
}

TEST_F(UnlhaTableTest, EntryQueriesAnswerForTheEntryFoundLast) {
  WriteFile(dir_ / "a.txt", "alpha\n");
  WriteFile(dir_ / "b.txt", std::string(3000, 'b'));
  RunIn(dir_,
        "touch -d '2001-02-03 04:05:06' a.txt && touch -d '2011-12-13 14:15:16' b.txt"
        " && jlha a x.lzh a.txt b.txt > /dev/null");
  const std::vector<JlhaLine> expected = JlhaVerbose(dir_, "x.lzh");
  ASSERT_EQ(expected.size(), 2u);
  const HARC handle = api_.UnlhaOpenArchive(nullptr, (dir_ / "x.lzh").c_str(), 0);
  ASSERT_NE(handle, 0u);
  ENTRYINFO record{};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    ASSERT_EQ(i == 0 ? api_.UnlhaFindFirst(handle, "*.*", &record) : api_.UnlhaFindNext(handle, &record), 0);
    char text[64];
    ASSERT_EQ(api_.UnlhaGetFileName(handle, text, sizeof text), 0);
    EXPECT_EQ(text, expected[i].name);
    ASSERT_EQ(api_.UnlhaGetMethod(handle, text, sizeof text), 0);
    EXPECT_EQ(text, expected[i].method);
    EXPECT_EQ(api_.UnlhaGetOriginalSize(handle), expected[i].size);
    EXPECT_EQ(api_.UnlhaGetCompressedSize(handle), expected[i].packed);
    EXPECT_EQ(api_.UnlhaGetRatio(handle), expected[i].packed * 1000 / expected[i].size);
    char crc[8];
    std::snprintf(crc, sizeof crc, "%04x", api_.UnlhaGetCRC(handle));
    EXPECT_EQ(crc, expected[i].crc);
    EXPECT_EQ(api_.UnlhaGetDate(handle), Copy(record.wDate));
    EXPECT_EQ(api_.UnlhaGetTime(handle), Copy(record.wTime));
    struct stat file {};
    ASSERT_EQ(::stat((dir_ / expected[i].name).c_str(), &file), 0);
    EXPECT_EQ(api_.UnlhaGetWriteTime(handle), static_cast<DWORD>(file.st_mtime));
    // jlha keeps no access or creation time.
    EXPECT_EQ(api_.UnlhaGetAccessTime(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetCreateTime(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetAttribute(handle), 0x20);
  }
  EXPECT_EQ(api_.UnlhaFindNext(handle, &record), -1);
  // The walk is over: no entry to answer about.
  EXPECT_EQ(api_.UnlhaGetOriginalSize(handle), kNoDword);
  EXPECT_EQ(api_.UnlhaGetDate(handle), 0);
  api_.UnlhaCloseArchive(handle);
}

TEST_F(UnlhaTableTest, ArchiveQueriesAnswerForTheHandlesArchive) {
  WriteFile(dir_ / "a.txt", "alpha\n");
  WriteFile(dir_ / "b.txt", std::string(3000, 'b'));
  RunIn(dir_, "jlha a x.lzh a.txt b.txt > /dev/null && touch -d '2009-08-07 06:05:04' x.lzh");
  const std::vector<JlhaLine> entries = JlhaVerbose(dir_, "x.lzh");
  ASSERT_EQ(entries.size(), 2u);
  const std::string path = dir_ / "x.lzh";
  const HARC handle = api_.UnlhaOpenArchive(nullptr, path.c_str(), 0);
  ASSERT_NE(handle, 0u);
  ENTRYINFO record{};
  ASSERT_EQ(api_.UnlhaFindFirst(handle, "*.*", &record), 0);
  char name[512];
  EXPECT_EQ(api_.UnlhaGetArcFileName(handle, name, sizeof name), 0);
  EXPECT_EQ(name, path);
  EXPECT_EQ(api_.UnlhaGetArcFileSize(handle), std::filesystem::file_size(path));
  EXPECT_EQ(api_.UnlhaGetArcOriginalSize(handle), entries[0].size + entries[1].size);
  const DWORD packed = entries[0].packed + entries[1].packed;
  EXPECT_EQ(api_.UnlhaGetArcCompressedSize(handle), packed);
  EXPECT_EQ(api_.UnlhaGetArcRatio(handle), packed * 1000 / (entries[0].size + entries[1].size));
  EXPECT_EQ(DosText(api_.UnlhaGetArcDate(handle), api_.UnlhaGetArcTime(handle)), "2009-08-07 06:05:04");
  // The handle's own walk is still at its first entry.
  EXPECT_EQ(api_.UnlhaGetOriginalSize(handle), entries[0].size);
  ASSERT_EQ(api_.UnlhaFindNext(handle, &record), 0);
  EXPECT_EQ(api_.UnlhaGetOriginalSize(handle), entries[1].size);
  api_.UnlhaCloseArchive(handle);
}

// The OS letter of each header level, where it stands: jlha writes a zero
// byte at levels 1 and 2 (no letter we know: another OS) and has no place
// for one at level 0; the byte-built headers carry 'U' in a level-0 UNIX
// extension and 'M' or 'U' in the level-2 and level-3 fixed parts.
TEST_F(UnlhaTableTest, OsTypeComesFromTheHeader) {
  struct Row {
    std::string name, make;
    UINT osType;
    int attribute;  // of the first entry
  };
  const std::string lha = "import lha\nlha.write('x.lzh', [";
  const std::vector<Row> rows = {
      {"JlhaLevel0", "jlha a0 x.lzh d a.txt", 0, 0x10},
      {"JlhaLevel1", "jlha a1 x.lzh d a.txt", 10, 0x10},
      {"JlhaLevel2", "jlha a2 x.lzh d a.txt", 10, 0x10},
      {"Level0UnixExtension", FixturePython(lha + "lha.level0(b'a.txt', b'a', unix_mtime=86401)])"), 2, 0x20},
      {"Level2Unix", FixturePython(lha + "lha.level2([(2, b'd\\xff')], None, 86401, b'U')])"), 2, 0x10},
      {"Level3MsDos", FixturePython(lha + "lha.level3([(2, b'd\\xff')], None, 86401)])"), 0, 0x10},
      {"Level3Unix", FixturePython(lha + "lha.level3([(2, b'd\\xff')], None, 86401, b'U')])"), 2, 0x10},
  };
  WriteFile(dir_ / "a.txt", "a");
  WriteFile(dir_ / "d/b.txt", "b");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RunIn(dir_, "rm -f x.lzh && " + row.make + " > /dev/null");
    const HARC handle = api_.UnlhaOpenArchive(nullptr, (dir_ / "x.lzh").c_str(), 0);
    ASSERT_NE(handle, 0u);
    ENTRYINFO record{};
    ASSERT_EQ(api_.UnlhaFindFirst(handle, "*.*", &record), 0);
    EXPECT_EQ(api_.UnlhaGetOSType(handle), row.osType);
    EXPECT_EQ(api_.UnlhaGetArcOSType(handle), row.osType);
    EXPECT_EQ(api_.UnlhaGetAttribute(handle), row.attribute);
    api_.UnlhaCloseArchive(handle);
  }
}

// Nothing to answer about: a handle never opened, or closed, or a walk not
// started; and a buffer too small for the text and its terminator.
TEST_F(UnlhaTableTest, UnanswerableQueriesAnswerMinusOneOrZero) {
  WriteFile(dir_ / "a.txt", "alpha\n");
  RunIn(dir_, "jlha a x.lzh a.txt > /dev/null");
  const HARC open = api_.UnlhaOpenArchive(nullptr, (dir_ / "x.lzh").c_str(), 0);
  ASSERT_NE(open, 0u);
  const HARC closed = api_.UnlhaOpenArchive(nullptr, (dir_ / "x.lzh").c_str(), 0);
  api_.UnlhaCloseArchive(closed);
  char text[8];
  for (const HARC handle : {HARC{0}, HARC{0x7777}, closed, open}) {
    SCOPED_TRACE(handle);
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(api_.UnlhaGetFileName(handle, text, sizeof text), -1);
    EXPECT_EQ(api_.UnlhaGetMethod(handle, text, sizeof text), -1);
    EXPECT_EQ(text[0], 'x');
    EXPECT_EQ(api_.UnlhaGetOriginalSize(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetCompressedSize(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetWriteTime(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetCRC(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetAttribute(handle), -1);
    EXPECT_EQ(api_.UnlhaGetOSType(handle), kNoUint);
    EXPECT_EQ(api_.UnlhaGetRatio(handle), 0);
    EXPECT_EQ(api_.UnlhaGetDate(handle), 0);
    EXPECT_EQ(api_.UnlhaGetTime(handle), 0);
  }
  for (const HARC handle : {HARC{0}, closed}) {
    EXPECT_EQ(api_.UnlhaGetArcFileName(handle, text, sizeof text), -1);
    EXPECT_EQ(api_.UnlhaGetArcFileSize(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetArcOriginalSize(handle), kNoDword);
    EXPECT_EQ(api_.UnlhaGetArcOSType(handle), kNoUint);
    EXPECT_EQ(api_.UnlhaGetArcDate(handle), 0);
  }
  ENTRYINFO record{};
  ASSERT_EQ(api_.UnlhaFindFirst(open, "*.*", &record), 0);
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(api_.UnlhaGetFileName(open, text, 5), -1) << "a.txt needs 6 bytes";
  EXPECT_EQ(text[0], 'x');
  EXPECT_EQ(api_.UnlhaGetFileName(open, text, 6), 0);
  EXPECT_STREQ(text, "a.txt");
  api_.UnlhaCloseArchive(open);
}

TEST_F(UnlhaTableTest, OwnerWindowIsSetAndClearedWhicheverItIs) {
  const HWND window = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(api_.UnlhaSetOwnerWindow(window), TRUE);
  EXPECT_EQ(library_.api().killOwner(window), TRUE) << "the table's owner is the family's owner";
  EXPECT_EQ(api_.UnlhaSetOwnerWindow(window), TRUE);
  EXPECT_EQ(api_.UnlhaClearOwnerWindow(), TRUE);
  EXPECT_EQ(library_.api().killOwner(window), FALSE);
  EXPECT_EQ(api_.UnlhaClearOwnerWindow(), TRUE);
}

// The command and listing entries of the table are the family's.
TEST_F(UnlhaTableTest, CommandAndListingEntriesWork) {
  WriteFile(dir_ / "a.txt", "alpha\n");
  RunIn(dir_, "jlha a x.lzh a.txt > /dev/null");
  char output[64];
  const std::string line = "x -+ \"" + (dir_ / "x.lzh") + "\" \"" + (dir_ / "out") + "/\"";
  EXPECT_EQ(api_.Unlha(nullptr, line.c_str(), output, sizeof output), 0) << output;
  EXPECT_EQ(ReadFile(dir_ / "out/a.txt"), "alpha\n");
  EXPECT_EQ(api_.UnlhaCheckArchive((dir_ / "x.lzh").c_str(), 0), TRUE);
  EXPECT_EQ(api_.UnlhaGetRunning(), FALSE) << "the command is over";
}

}  // namespace
