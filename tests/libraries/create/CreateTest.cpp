// Creating archives: ZIP through ZIP32J.DLL and LMZIP32.DLL, tar, tar.gz and
// tar.bz2 through tar32.dll, read back by our own readers and by Info-ZIP
// and GNU tar; the changes the ZIP maker makes to an archive; and every
// failed or refused command leaving an existing archive as it was.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <ostream>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {

const Files kFiles = ThreeFiles(300);

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What Info-ZIP's unzip lists and extracts from `archive`.
std::vector<std::string> InfoZipNames(const TempDir& dir, const std::string& archive) {
  RunIn(dir, "unzip -Z1 " + Quote(archive) + " > names.txt");
  return Lines(dir / "names.txt");
}
Files InfoZipFiles(const TempDir& dir, const std::string& archive) {
  RunIn(dir, "rm -rf infozip && unzip -q " + Quote(archive) + " -d infozip");
  return FilesUnder(dir / "infozip");
}

// Runs `line` with "@A" standing for the archive and "@S" for the source
// folder (which the line ends in '/').
CommandRun RunWith(const ArchiverLibrary& library, const std::string& name, std::string line, const TempDir& dir,
                   const std::string& archive) {
  for (const auto& [mark, value] : {std::pair<std::string, std::string>{"@A", archive}, {"@S", dir / "src"}})
    for (std::size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, 2, value);
  return RunLine(library, name, line);
}

TEST(ZipCreate, Zip32jArchiveReadsBackInInfoZipAndUnzip32) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  const std::string archive = dir / "x.zip";
  const ArchiverLibrary zip(LibraryFor("ZIP32J.DLL"));
  const CommandRun run = RunWith(zip, "Zip", R"( -D -r -9  "@A" "@S/" "a.txt" "d" )", dir, archive);
  ASSERT_EQ(run.code, code::kOk) << run.report;
  EXPECT_EQ(InfoZipNames(dir, archive), (std::vector<std::string>{"a.txt", "d/b.txt", "d/e/c.txt"}));
  EXPECT_EQ(InfoZipFiles(dir, archive), kFiles);
  const ArchiverLibrary unzip(LibraryFor("UNZIP32.DLL"));
  EXPECT_EQ(RunLine(unzip, "UnZip", "-x \"" + archive + "\" \"" + (dir / "out") + "/\"").code, code::kOk);
  EXPECT_EQ(FilesUnder(dir / "out"), kFiles);
}

TEST(ZipCreate, LmZip32RecursesFromTheCurrentFolder) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  const ArchiverLibrary lmzip(LibraryFor("LMZIP32.DLL"));
  {
    // LMZIP32.DLL's lines carry no base directory.
    const ScopedCurrentFolder in(dir / "src");
    const CommandRun run = RunLine(lmzip, "Zip", R"(-ru  "../x.zip" "a.txt" "d" )");
    ASSERT_EQ(run.code, code::kOk) << run.report;
  }
  // Folders are entries of their own unless -D says otherwise.
  EXPECT_EQ(InfoZipNames(dir, dir / "x.zip"),
            (std::vector<std::string>{"a.txt", "d/", "d/b.txt", "d/e/", "d/e/c.txt"}));
  EXPECT_EQ(RunLine(lmzip, "Unzip", "-x \"" + (dir / "x.zip") + "\" \"" + (dir / "out") + "/\"").code, code::kOk);
  EXPECT_EQ(FilesUnder(dir / "out"), kFiles);
}

// Names as the disk gives them: one that is UTF-8 is flagged so (bit 11);
// CP932 bytes keep their bytes without the flag, as Info-ZIP stores them,
// so that unzip and Python's zipfile read the archive. Each line: the
// flag, then the stored name's bytes in hex, sorted.
TEST(ZipCreate, OnlyUtf8NamesCarryTheUtf8Flag) {
  const std::string cp932 = "\x95\x5c\x8e\xa6.txt";  // 表示.txt
  const std::vector<std::string> expected = {"0 612e747874", "0 955c8ea62e747874", "1 e697a5e69cace8aa9e2e747874"};
  struct Row {
    const char* library;
    const char* line;  // run in src/
  };
  for (const Row& row :
       {Row{"ZIP32J.DLL", R"( -D "../x.zip" "@S/" "*.txt")"}, Row{"LMZIP32.DLL", R"( "../x.zip" "*.txt")"}}) {
    SCOPED_TRACE(row.library);
    TempDir dir;
    MakeFiles(dir, {{"a.txt", "alpha\n"}, {"日本語.txt", "nihongo\n"}, {cp932, "hyouji\n"}});
    const ArchiverLibrary zip(LibraryFor(row.library));
    {
      const ScopedCurrentFolder in(dir / "src");
      const CommandRun run = RunWith(zip, "Zip", row.line, dir, dir / "x.zip");
      ASSERT_EQ(run.code, code::kOk) << run.report;
    }
    RunIn(dir, "unzip -tq x.zip > /dev/null");
    RunIn(dir,
          "python3 -c \"import zipfile\n"
          "z = zipfile.ZipFile('x.zip')\n"
          "assert z.testzip() is None\n"
          "raw = lambda i: i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')\n"
          "for line in sorted('%d %s' % (i.flag_bits >> 11 & 1, raw(i).hex()) for i in z.infolist()):\n"
          "    print(line)\" > flags.txt");
    EXPECT_EQ(Lines(dir / "flags.txt"), expected);
  }
}

// What the ZIP maker's names and switches put into a new archive.
struct StoreCase {
  std::string name, line;
  int code;
  std::vector<std::string> names;  // as Info-ZIP lists them; none: no archive made
  friend std::ostream& operator<<(std::ostream& out, const StoreCase& value) { return out << value.name; }
};

class ZipStoreTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(ZipStoreTest, StoresWhatTheNamesAndSwitchesSay) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  WriteFile(dir / "src/d/skip.o", "object");
  const ArchiverLibrary zip(LibraryFor("ZIP32J.DLL"));
  const CommandRun run = RunWith(zip, "Zip", GetParam().line, dir, dir / "src/x.zip");
  EXPECT_EQ(run.code, GetParam().code) << run.report;
  if (GetParam().names.empty()) {
    EXPECT_FALSE(std::filesystem::exists(dir / "src/x.zip"));
  } else {
    EXPECT_EQ(InfoZipNames(dir, dir / "src/x.zip"), GetParam().names);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Zip32j, ZipStoreTest,
    ::testing::Values(
        StoreCase{"FolderWithoutRecursionIsItsEntryAlone", R"( "@A" "@S/" "d")", code::kOk, {"d/"}},
        StoreCase{"FolderWithoutRecursionOrEntriesIsNothing", R"( -D "@A" "@S/" "d")", code::kNoMatch, {}},
        StoreCase{"WholeFolderLeavesTheArchiveItselfOut",
                  R"( -r -D "@A" "@S/" ".")",
                  code::kOk,
                  {"a.txt", "d/b.txt", "d/e/c.txt", "d/skip.o"}},
        StoreCase{"PatternsInAnyFolderName", R"( -D "@A" "@S/" "*.txt" "d/?/*")", code::kOk, {"a.txt", "d/e/c.txt"}},
        StoreCase{"ExclusionsAfterX", R"( -r -D "@A" "@S/" "d" -x "*.o")", code::kOk, {"d/b.txt", "d/e/c.txt"}},
        StoreCase{"JunkPaths", R"( -r -D -j "@A" "@S/" "d")", code::kOk, {"b.txt", "c.txt", "skip.o"}},
        StoreCase{"NameThatIsNotThere", R"( -D "@A" "@S/" "a.txt" "gone.txt")", code::kNoMatch, {}},
        StoreCase{"NoNames", R"( -D "@A" "@S/")", code::kNoMatch, {}}),
    [](const auto& info) { return info.param.name; });

TEST(ZipCreate, LevelZeroStoresAndNineDeflates) {
  TempDir dir;
  WriteFile(dir / "src/big.txt", std::string(100000, 'z'));
  const ArchiverLibrary zip(LibraryFor("ZIP32J.DLL")), unzip(LibraryFor("UNZIP32.DLL"));
  ASSERT_EQ(RunWith(zip, "Zip", R"( -D -0 "@A" "@S/" "big.txt")", dir, dir / "stored.zip").code, code::kOk);
  ASSERT_EQ(RunWith(zip, "Zip", R"( -D -9 "@A" "@S/" "big.txt")", dir, dir / "packed.zip").code, code::kOk);
  EXPECT_STREQ(ListArchive(unzip.api(), dir / "stored.zip").records.at(0).szMode, "stored");
  EXPECT_STREQ(ListArchive(unzip.api(), dir / "packed.zip").records.at(0).szMode, "deflate");
  EXPECT_GT(std::filesystem::file_size(dir / "stored.zip"), 100000u);
  EXPECT_LT(std::filesystem::file_size(dir / "packed.zip"), 2000u);
  EXPECT_EQ(InfoZipFiles(dir, dir / "packed.zip"), (Files{{"big.txt", std::string(100000, 'z')}}));
}

TEST(ZipCreate, ODatesTheArchiveToItsNewestEntry) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  RunIn(dir, "touch -d '2001-02-03 04:05:06' src/a.txt && touch -d '2005-06-07 08:09:10' src/d/b.txt");
  const ArchiverLibrary zip(LibraryFor("ZIP32J.DLL"));
  ASSERT_EQ(RunWith(zip, "Zip", R"( -D -o "@A" "@S/" "a.txt" "d/b.txt")", dir, dir / "x.zip").code, code::kOk);
  struct stat archive {
  }, newest{};
  ASSERT_EQ(::stat((dir / "x.zip").c_str(), &archive), 0);
  ASSERT_EQ(::stat((dir / "src/d/b.txt").c_str(), &newest), 0);
  EXPECT_EQ(archive.st_mtime, newest.st_mtime);
}

// One archive changed step by step: freshen, update and delete, each
// checked by what Info-ZIP reads from it.
TEST(ZipChange, FreshenUpdateAndDeleteKeepEverythingElse) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  WriteFile(dir / "src/x[1].txt", "bracket\n");
  RunIn(dir, "cd src && touch -d '2001-01-01 00:00:00' a.txt d/b.txt d/e/c.txt 'x[1].txt'");
  const std::string archive = dir / "x.zip";
  const ArchiverLibrary zip(LibraryFor("ZIP32J.DLL"));
  ASSERT_EQ(RunWith(zip, "Zip", R"( -r -D "@A" "@S/" "a.txt" "d" "x[[]1].txt")", dir, archive).code, code::kOk);
  // a.txt and x[1].txt change and get newer; new.txt appears; d/b.txt
  // changes but is older than its entry.
  WriteFile(dir / "src/a.txt", "alpha two\n");
  WriteFile(dir / "src/x[1].txt", "bracket two\n");
  WriteFile(dir / "src/new.txt", "new\n");
  WriteFile(dir / "src/d/b.txt", "older\n");
  RunIn(dir, "cd src && touch -d '1999-01-01 00:00:00' d/b.txt");

  // Freshen with no names looks at every entry and adds nothing.
  EXPECT_EQ(RunWith(zip, "Zip", R"(-f -D "@A" "@S/")", dir, archive).code, code::kOk);
  Files expected = kFiles;
  expected["a.txt"] = "alpha two\n";
  expected["x[1].txt"] = "bracket two\n";
  EXPECT_EQ(InfoZipFiles(dir, archive), expected);

  // Update adds the new file and still skips the older one.
  EXPECT_EQ(RunWith(zip, "Zip", R"( -D -u "@A" "@S/" "new.txt" "d/b.txt")", dir, archive).code, code::kOk);
  expected["new.txt"] = "new\n";
  EXPECT_EQ(InfoZipFiles(dir, archive), expected);
  const std::vector<std::string> names = {"a.txt", "d/b.txt", "d/e/c.txt", "x[1].txt", "new.txt"};
  EXPECT_EQ(InfoZipNames(dir, archive), names);

  // Adding replaces whatever the times say, in place.
  EXPECT_EQ(RunWith(zip, "Zip", R"( -D "@A" "@S/" "d/b.txt")", dir, archive).code, code::kOk);
  expected["d/b.txt"] = "older\n";
  EXPECT_EQ(InfoZipFiles(dir, archive), expected);
  EXPECT_EQ(InfoZipNames(dir, archive), names);

  // A folder name deletes what is in it.
  EXPECT_EQ(RunWith(zip, "Zip", R"(-d -D "@A" "d")", dir, archive).code, code::kOk);
  EXPECT_EQ(InfoZipFiles(dir, archive),
            (Files{{"a.txt", "alpha two\n"}, {"x[1].txt", "bracket two\n"}, {"new.txt", "new\n"}}));
}

TEST(ZipAdjust, ChecksTheSelfExtractorsArchive) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  const ArchiverLibrary zip(LibraryFor("ZIP32J.DLL"));
  ASSERT_EQ(RunWith(zip, "Zip", R"( -D "@A" "@S/" "a.txt")", dir, dir / "x.zip").code, code::kOk);
  WriteConcatenation(dir / "my sfx.EXE", "MZ" + std::string(3000, '\x90'), dir / "x.zip");
  WriteFile(dir / "text.EXE", "MZ not an archive");
  EXPECT_EQ(RunLine(zip, "Zip", "-A " + (dir / "my sfx.EXE")).code, code::kOk);
  EXPECT_EQ(RunLine(zip, "Zip", "-A " + (dir / "text.EXE")).code, code::kNotAnArchive);
  EXPECT_EQ(RunLine(zip, "Zip", "-A " + (dir / "gone.EXE")).code, code::kArchiveNotFound);
}

struct TarCase {
  std::string name, switches;
  std::string magic;  // the archive's first bytes
  int type;           // TarGetArchiveType
  friend std::ostream& operator<<(std::ostream& out, const TarCase& value) { return out << value.name; }
};

class TarCreateTest : public ::testing::TestWithParam<TarCase> {};

TEST_P(TarCreateTest, ReadsBackInGnuTarAndTar32) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  const std::string archive = dir / "x.archive";
  const ArchiverLibrary tar(LibraryFor("tar32.dll"));
  const CommandRun run =
      RunWith(tar, "Tar", "c " + GetParam().switches + R"(  -f "@A" -o "@S/" "a.txt" "d" )", dir, archive);
  ASSERT_EQ(run.code, code::kOk) << run.report;
  EXPECT_EQ(ReadFile(archive).substr(0, GetParam().magic.size()), GetParam().magic);
  const auto getType = reinterpret_cast<ArcGetArchiveTypeFn>(tar.Require("TarGetArchiveType"));
  EXPECT_EQ(getType(archive.c_str()), GetParam().type);
  RunIn(dir, "tar tf " + Quote(archive) + " > names.txt && mkdir gnu && tar xf " + Quote(archive) + " -C gnu");
  EXPECT_EQ(Lines(dir / "names.txt"), (std::vector<std::string>{"a.txt", "d/", "d/b.txt", "d/e/", "d/e/c.txt"}));
  EXPECT_EQ(FilesUnder(dir / "gnu"), kFiles);
  EXPECT_EQ(RunWith(tar, "Tar", R"(x -f "@A" -o "@S/../ours/")", dir, archive).code, code::kOk);
  EXPECT_EQ(FilesUnder(dir / "ours"), kFiles);
}

INSTANTIATE_TEST_SUITE_P(Tar32, TarCreateTest,
                         ::testing::Values(TarCase{"Tar", "", "a.txt", 1}, TarCase{"Gzip", "-z", "\x1F\x8B", 2},
                                           TarCase{"GzipLevel9", "-z9", "\x1F\x8B", 2},
                                           TarCase{"Bzip2", "-B", "BZh", 6}, TarCase{"Bzip2Level5", "-B5", "BZh5", 6}),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Tar32XzZstd, TarCreateTest,
                         // clang-format off
                         ::testing::Values(TarCase{"Xz", "-J", "\xFD" "7zXZ", 10},
                                           TarCase{"XzLevel0", "-J0", "\xFD" "7zXZ", 10},
                                           // clang-format on
                                           TarCase{"Zstd", "--zstd", "\x28\xB5\x2F\xFD", 12},
                                           TarCase{"ZstdLevel19", "--zstd=19", "\x28\xB5\x2F\xFD", 12}),
                         [](const auto& info) { return info.param.name; });

// Every command that fails or is refused leaves an existing archive byte
// for byte, and no file of its own beside it.
struct KeepCase {
  std::string name, library, function, line;
  // how the archive is made: "zip", "sfx", "text", "damaged", "lzh", "tar", "tgz", "tbz", "cab", "7z",
  // "7zsfx", "7zdamaged", "7zsecret" (data encrypted), "7zhidden" (headers encrypted)
  std::string existing;
  int code;
  friend std::ostream& operator<<(std::ostream& out, const KeepCase& value) { return out << value.name; }
};

void MakeExisting(const TempDir& dir, const std::string& kind, const std::string& archive) {
  const std::string in = "cd src && ";
  if (kind == "zip")
    RunIn(dir, in + "zip -q -r " + Quote(archive) + " a.txt d");
  else if (kind == "sfx") {
    RunIn(dir, in + "zip -q -r ../inner.zip a.txt d");
    WriteConcatenation(archive, "MZ" + std::string(2000, '\x90'), dir / "inner.zip");
  } else if (kind == "text")
    WriteFile(archive, "not an archive at all\n");
  else if (kind == "damaged") {
    // Stored, so the bytes of a.txt are there to spoil: its CRC fails when
    // the entry is copied into the new archive.
    RunIn(dir, in + "zip -q -0 " + Quote(archive) + " a.txt d/b.txt");
    std::string bytes = ReadFile(archive);
    bytes[bytes.find("alpha")] = 'A';
    WriteFile(archive, bytes);
  } else if (kind == "lzh")
    RunIn(dir, in + "jlha a " + Quote(archive) + " a.txt > /dev/null");
  else if (kind == "tar")
    RunIn(dir, in + "tar cf " + Quote(archive) + " a.txt");
  else if (kind == "tgz")
    RunIn(dir, in + "tar czf " + Quote(archive) + " a.txt");
  else if (kind == "tbz")
    RunIn(dir, in + "tar cjf " + Quote(archive) + " a.txt");
  else if (kind == "cab")
    RunIn(dir, in + "gcab -c " + Quote(archive) + " a.txt");
  else if (kind == "7z")
    RunIn(dir, in + "7z a -bd " + Quote(archive) + " a.txt > /dev/null");
  else if (kind == "7zsfx") {
    RunIn(dir, in + "7z a -bd ../inner.7z a.txt d > /dev/null");
    WriteConcatenation(archive, "MZ" + std::string(2000, '\x90'), dir / "inner.7z");
  } else if (kind == "7zdamaged") {
    RunIn(dir, in + "7z a -bd -m0=Copy -ms=off " + Quote(archive) + " a.txt d/b.txt > /dev/null");
    std::string bytes = ReadFile(archive);
    bytes[bytes.find("alpha")] = 'A';
    WriteFile(archive, bytes);
  } else if (kind == "7zsecret")
    RunIn(dir, in + "7z a -bd -psecret " + Quote(archive) + " a.txt > /dev/null");
  else if (kind == "7zhidden")
    RunIn(dir, in + "7z a -bd -psecret -mhe=on " + Quote(archive) + " a.txt > /dev/null");
}

class KeepExistingTest : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepExistingTest, LeavesTheArchiveAsItWas) {
  const KeepCase& row = GetParam();
  TempDir dir;
  MakeFiles(dir, kFiles);
  const std::string archive = dir / "arc/x.arc";
  std::filesystem::create_directories(dir / "arc");
  MakeExisting(dir, row.existing, archive);
  const std::string before = ReadFile(archive);
  const ArchiverLibrary library(LibraryFor(row.library));
  const CommandRun run = RunWith(library, row.function, row.line, dir, archive);
  EXPECT_EQ(run.code, row.code) << run.report;
  EXPECT_EQ(ReadFile(archive), before);
  EXPECT_EQ(PathsUnder(dir / "arc"), std::vector<std::string>{"x.arc"});
}

INSTANTIATE_TEST_SUITE_P(
    Failures, KeepExistingTest,
    ::testing::Values(
        KeepCase{"ZipNameNotThere", "ZIP32J.DLL", "Zip", R"( -D "@A" "@S/" "a.txt" "gone")", "zip", code::kNoMatch},
        KeepCase{"ZipDeleteNameNotInTheArchive", "ZIP32J.DLL", "Zip", R"(-d -D "@A" "gone")", "zip", code::kNoMatch},
        KeepCase{"ZipIntoAFileThatIsNoZip", "ZIP32J.DLL", "Zip", R"( -D "@A" "@S/" "a.txt")", "text",
                 code::kNotAnArchive},
        KeepCase{"ZipSelfExtractorWithoutJ", "ZIP32J.DLL", "Zip", R"( -D "@A" "@S/" "a.txt")", "sfx",
                 code::kNotSupported},
        KeepCase{"ZipCopyOfADamagedEntry", "ZIP32J.DLL", "Zip", R"( -D "@A" "@S/" "d/e/c.txt")", "damaged",
                 code::kBrokenArchive},
        KeepCase{"LmZipBadSwitch", "LMZIP32.DLL", "Zip", R"(-ruQ "@A" "a.txt")", "zip", code::kBadSwitch},
        KeepCase{"TarNameNotThere", "tar32.dll", "Tar", R"(c -z -f "@A" -o "@S/" "gone")", "tar", code::kNoMatch},
        KeepCase{"TarBadSwitch", "tar32.dll", "Tar", R"(c --bogus -f "@A" -o "@S/" "a.txt")", "tar", code::kBadSwitch},
        KeepCase{"LhaPack", "UNLHA32.DLL", "Unlha", R"(u -+  "@A" "@S/" "a.txt" )", "lzh", code::kNotSupported},
        KeepCase{"LhaDelete", "UNLHA32.DLL", "Unlha", R"(d -+  "@A" "a.txt" )", "lzh", code::kNotSupported},
        KeepCase{"LhaSelfExtractor", "UNLHA32.DLL", "Unlha", R"(s -+  "@A" "@S/" )", "lzh", code::kNotSupported},
        KeepCase{"ArjPack", "UNARJ32J.DLL", "Unarj", R"(u -+  "@A" "@S/" "a.txt" )", "lzh", code::kNotSupported},
        KeepCase{"CabCreate", "CAB32.DLL", "Cab", R"(-a  "@A" "@S/" "a.txt" )", "cab", code::kNotSupported},
        KeepCase{"CabSelfExtractor", "CAB32.DLL", "Cab", R"(-f  "@A" "@S/" )", "cab", code::kNotSupported},
        KeepCase{"RarHasNoCreateWord", "UNRAR32.DLL", "Unrar", R"(-a  "@A" "@S/" "a.txt" )", "tar", code::kBadCommand},
        KeepCase{"SevenZipNameNotThere", "7-ZIP32.DLL", "SevenZip", R"(a -y "@A" "@S/" "a.txt" "gone")", "7z",
                 code::kNoMatch},
        KeepCase{"SevenZipDeleteNameNotInTheArchive", "7-ZIP32.DLL", "SevenZip", R"(d "@A" "a.txt" "gone")", "7z",
                 code::kNoMatch},
        KeepCase{"SevenZipIntoAFileThatIsNo7z", "7-ZIP32.DLL", "SevenZip", R"(a "@A" "@S/" "a.txt")", "text",
                 code::kNotAnArchive},
        KeepCase{"SevenZipIntoAZip", "7-ZIP32.DLL", "SevenZip", R"(a "@A" "@S/" "a.txt")", "zip", code::kNotAnArchive},
        KeepCase{"SevenZipOtherType", "7-ZIP32.DLL", "SevenZip", R"(a -tzip "@A" "@S/" "a.txt")", "7z",
                 code::kBadSwitch},
        KeepCase{"SevenZipUpdateOfASelfExtractor", "7-ZIP32.DLL", "SevenZip", R"(u "@A" "@S/" "a.txt")", "7zsfx",
                 code::kNotSupported},
        KeepCase{"SevenZipDeleteFromASelfExtractor", "7-ZIP32.DLL", "SevenZip", R"(d "@A" "a.txt")", "7zsfx",
                 code::kNotSupported},
        KeepCase{"SevenZipCopyOfADamagedEntry", "7-ZIP32.DLL", "SevenZip", R"(a "@A" "@S/" "d/e/c.txt")", "7zdamaged",
                 code::kBrokenArchive},
        // Without the password an encrypted entry cannot be copied.
        KeepCase{"SevenZipBesideEncryptedData", "7-ZIP32.DLL", "SevenZip", R"(a "@A" "@S/" "d/e/c.txt")", "7zsecret",
                 code::kBrokenArchive},
        KeepCase{"SevenZipIntoEncryptedHeaders", "7-ZIP32.DLL", "SevenZip", R"(a "@A" "@S/" "d/e/c.txt")", "7zhidden",
                 code::kNotAnArchive}),
    [](const auto& info) { return info.param.name; });

// Root reads any folder, whatever its mode: as root the line runs in a child
// process that has become the user nobody (65534), who owns the test's
// folder; as anyone else it runs as it is. The code and report come back
// through a pipe.
CommandRun RunAsUser(const ArchiverLibrary& library, const std::string& function, const std::string& line) {
  int ends[2];
  if (::pipe(ends) != 0) return {-1, "no pipe"};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
    const CommandRun run = RunLine(library, function, line);
    const std::string message = std::to_string(run.code) + "\n" + run.report;
    const bool written = ::write(ends[1], message.data(), message.size()) == static_cast<ssize_t>(message.size());
    _exit(written ? 0 : 4);
  }
  ::close(ends[1]);
  std::string message;
  char buffer[4096];
  for (ssize_t count; (count = ::read(ends[0], buffer, sizeof buffer)) > 0;) message.append(buffer, count);
  ::close(ends[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return {-1, "the child failed: " + std::to_string(status)};
  const std::size_t newline = message.find('\n');
  return {std::stoi(message.substr(0, newline)), message.substr(newline + 1)};
}

// Two folders the user cannot enter: their files would be left out of the
// archive, so the line fails, naming the first, and the old archive stays.
struct UnreadableCase {
  std::string name, library, function, line, existing;
  friend std::ostream& operator<<(std::ostream& out, const UnreadableCase& value) { return out << value.name; }
};

class UnreadableFolderTest : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableFolderTest, FailsAndKeepsTheOldArchive) {
  const UnreadableCase& row = GetParam();
  TempDir dir;
  MakeFiles(dir, kFiles);
  WriteFile(dir / "src/日本語/f.txt", "foxtrot\n");
  const std::string archive = dir / "arc/x.arc";
  std::filesystem::create_directories(dir / "arc");
  MakeExisting(dir, row.existing, archive);
  const std::string before = ReadFile(archive);
  if (::geteuid() == 0) RunIn(dir, "chown -R 65534:65534 .");
  RunIn(dir, "chmod 000 src/d/e src/日本語");
  const ArchiverLibrary library(LibraryFor(row.library));
  std::string line = row.line;
  for (const auto& [mark, value] : {std::pair<std::string, std::string>{"@A", archive}, {"@S", dir / "src"}})
    for (std::size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, 2, value);
  const CommandRun run = RunAsUser(library, row.function, line);
  RunIn(dir, "chmod 755 src/d/e src/日本語");
  EXPECT_EQ(run.code, code::kCannotRead) << run.report;
  EXPECT_NE(run.report.find("d/e"), std::string::npos) << run.report;
  EXPECT_EQ(ReadFile(archive), before);
  EXPECT_EQ(PathsUnder(dir / "arc"), std::vector<std::string>{"x.arc"});
}

INSTANTIATE_TEST_SUITE_P(Trees, UnreadableFolderTest,
                         ::testing::Values(UnreadableCase{"ZipRecursing", "ZIP32J.DLL", "Zip",
                                                          R"(-r "@A" "@S/" "a.txt" "d" "日本語")", "zip"},
                                           UnreadableCase{"TarCreating", "tar32.dll", "Tar",
                                                          R"(c -f "@A" -o "@S/" "a.txt" "d" "日本語")", "tar"},
                                           UnreadableCase{"SevenZipAdding", "7-ZIP32.DLL", "SevenZip",
                                                          R"(a -y "@A" "@S/" "a.txt" "d" "日本語")", "7z"}),
                         [](const auto& info) { return info.param.name; });

// Trees holding devices, FIFOs and sockets: what the creating lines store
// from them, and, when the names reach nothing that can be stored, a
// refusal that leaves any old archive byte for byte, makes none where there
// was none, and leaves nothing beside it. The report names what was left out.
struct SpecialCase {
  std::string name;
  std::string tree;           // shell commands run in src/ after the three files are made
  std::string library, line;  // "@A" the archive, "@S" src, "@R" the archive's folder
  std::string existing;       // "" none, else a kind MakeExisting knows
  int code;
  std::vector<std::string> entries;  // what the new archive lists; {}: no new archive
  std::string named;                 // the report names this
  friend std::ostream& operator<<(std::ostream& out, const SpecialCase& value) { return out << value.name; }
};

// A Shift-JIS name with 0x5C trail bytes: 表ソ能.
const std::string kCp932Name = "\x95\x5C\x83\x5C\x94\x5C";
const std::string kSocket = "python3 -c \"import socket; socket.socket(socket.AF_UNIX).bind('sock')\"";

std::vector<SpecialCase> SpecialCases() {
  // clang-format off
  return {
      {"TarOfAFifoOnly", "mkfifo fifo", "tar32.dll", R"(c -f "@A" -o "@S/" "fifo")", "tar", code::kNoMatch, {},
       "fifo"},
      {"TarGzipOfAFifoOnly", "mkfifo fifo", "tar32.dll", R"(c -z -f "@A" -o "@S/" "fifo")", "tgz", code::kNoMatch,
       {}, "fifo"},
      {"TarBzip2OfASocketOnly", kSocket, "tar32.dll", R"(c -B -f "@A" -o "@S/" "sock")", "tbz", code::kNoMatch, {},
       "sock"},
      {"TarOfFifosMakesNoArchive", "mkfifo fifo 表示.fifo", "tar32.dll", R"(c -f "@A" -o "@S/" "*fifo")", "",
       code::kNoMatch, {}, "表示.fifo"},
      {"TarOfTheArchiveItselfOnly", "", "tar32.dll", R"(c -f "@A" -o "@R/" "x.arc")", "tar", code::kNoMatch, {}, ""},
      {"TarNamesAFifoAmongFiles", "mkfifo fifo", "tar32.dll", R"(c -z -f "@A" -o "@S/" "a.txt" "fifo")", "tgz",
       code::kOk, {"a.txt"}, "fifo"},
      {"TarOfAFolderOfFifosStoresTheFolder", "mkdir p && mkfifo p/f1 'p/" + kCp932Name + "'", "tar32.dll",
       R"(c -f "@A" -o "@S/" "p")", "tar", code::kOk, {"p/"}, "p/" + kCp932Name},
      {"ZipOfAFifoOnly", "mkfifo fifo", "ZIP32J.DLL", R"( -D "@A" "@S/" "fifo")", "zip", code::kNoMatch, {}, "fifo"},
      {"ZipUpdateOfAFifoOnly", "mkfifo fifo", "ZIP32J.DLL", R"( -D -u "@A" "@S/" "fifo")", "zip", code::kNoMatch, {},
       "fifo"},
      {"ZipOfEverythingNamesACp932Fifo", "mkfifo '" + kCp932Name + "'", "ZIP32J.DLL", R"( -D "@A" "@S/" "*")", "",
       code::kOk, {"a.txt"}, kCp932Name},
      {"ZipOfTheArchiveItselfOnly", "", "ZIP32J.DLL", R"( -D "@A" "@R/" "x.arc")", "zip", code::kNoMatch, {}, ""},
      {"LmZipOfASocketOnly", kSocket, "LMZIP32.DLL", R"(-ru  "@A" "@S/sock")", "zip", code::kNoMatch, {}, "sock"},
      {"LmZipOfAFifoOnlyMakesNoArchive", "mkfifo fifo", "LMZIP32.DLL", R"(-ru  "@A" "@S/fifo")", "", code::kNoMatch,
       {}, "fifo"},
      {"SevenZipOfAFifoOnly", "mkfifo 表示.fifo", "7-ZIP32.DLL", R"(a "@A" "@S/" "表示.fifo")", "7z",
       code::kNoMatch, {}, "表示.fifo"},
      {"SevenZipOfAFolderOfFifosMakesNoArchive", "mkdir p && mkfifo p/f1", "7-ZIP32.DLL", R"(u "@A" "@S/" "p/f1")",
       "", code::kNoMatch, {}, "p/f1"},
  };
  // clang-format on
}

// The names in `archive`, as Info-ZIP's unzip or GNU tar lists them.
std::vector<std::string> ToolNames(const TempDir& dir, const std::string& library, const std::string& archive) {
  const bool zip = library != "tar32.dll";
  RunIn(dir, (zip ? "unzip -Z1 " : "tar tf ") + Quote(archive) + " > names.txt");
  return Lines(dir / "names.txt");
}

class SpecialFilesTest : public ::testing::TestWithParam<SpecialCase> {};

TEST_P(SpecialFilesTest, StoresWhatCanBeStoredOrKeepsTheOldArchive) {
  const SpecialCase& row = GetParam();
  TempDir dir;
  MakeFiles(dir, {{"a.txt", "alpha\n"}});
  if (!row.tree.empty()) RunIn(dir, "cd src && " + row.tree);
  std::filesystem::create_directories(dir / "arc");
  const std::string archive = dir / "arc/x.arc";
  if (!row.existing.empty()) MakeExisting(dir, row.existing, archive);
  const std::string before = row.existing.empty() ? "" : ReadFile(archive);
  std::string line = row.line;
  if (const auto at = line.find("@R"); at != std::string::npos) line.replace(at, 2, dir / "arc");
  const ArchiverLibrary library(LibraryFor(row.library));
  const CommandRun run = RunWith(library, library.entry().commands.back(), line, dir, archive);
  EXPECT_EQ(run.code, row.code) << run.report;
  if (!row.named.empty()) {
    EXPECT_NE(run.report.find(row.named), std::string::npos) << run.report;
  }
  if (!row.entries.empty()) {
    EXPECT_EQ(ToolNames(dir, row.library, archive), row.entries);
  } else if (!row.existing.empty()) {
    EXPECT_EQ(ReadFile(archive), before);
  }
  const bool archiveThere = !row.entries.empty() || !row.existing.empty();
  EXPECT_EQ(PathsUnder(dir / "arc"), archiveThere ? std::vector<std::string>{"x.arc"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Trees, SpecialFilesTest, ::testing::ValuesIn(SpecialCases()),
                         [](const auto& info) { return info.param.name; });

// ---- 7z through 7-ZIP32.DLL ------------------------------------------------------

// p7zip reads and writes names as the locale's text: UTF-8 here.
const std::string kP7zip = "LC_ALL=C.UTF-8 7z";
const std::string kJapanese = "表ソ能/日本語.txt";

// What p7zip makes of `archive`: its own test must pass, and it extracts these.
Files P7zipFiles(const TempDir& dir, const std::string& archive) {
  RunIn(dir, "rm -rf p7zip && " + kP7zip + " t -bd " + Quote(archive) + " > /dev/null");
  RunIn(dir, kP7zip + " x -bd -op7zip " + Quote(archive) + " > /dev/null");
  return FilesUnder(dir / "p7zip");
}

std::vector<std::string> ListedNames(const ArchiverLibrary& library, const std::string& archive) {
  std::vector<std::string> names;
  for (const ENTRYINFO& record : ListArchive(library.api(), archive).records) names.push_back(record.szFileName);
  std::sort(names.begin(), names.end());
  return names;
}

// A new archive: named folders bring their contents without -r, Japanese
// names stay, the times are the files'.
TEST(SevenZipCreate, NewArchiveReadsBackInP7zipAndOurs) {
  TempDir dir;
  Files files = kFiles;
  files[kJapanese] = "nihongo\n";
  MakeFiles(dir, files);
  RunIn(dir, "cd src && touch -d '2001-02-03 04:05:06' a.txt 表ソ能/日本語.txt");
  const std::string archive = dir / "x.7z";
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  const CommandRun run =
      RunWith(library, "SevenZip", R"(a -aoa -mx=5 -y  "@A" "@S/" "a.txt" "d" "表ソ能" )", dir, archive);
  ASSERT_EQ(run.code, code::kOk) << run.report;
  EXPECT_EQ(ReadFile(archive).substr(0, 6), "7z\xBC\xAF\x27\x1C");
  EXPECT_EQ(P7zipFiles(dir, archive), files);
  EXPECT_EQ(ListedNames(library, archive),
            (std::vector<std::string>{"a.txt", "d/", "d/b.txt", "d/e/", "d/e/c.txt", "表ソ能/", kJapanese}));
  std::vector<std::string> dated;
  for (const std::string& line : ListArchive(library.api(), archive).lines)
    if (line.find("2001-02-03") != std::string::npos) dated.push_back(line);
  EXPECT_EQ(dated, (std::vector<std::string>{"name=a.txt date=2001-02-03 time=04:05:06",
                                             "name=" + kJapanese + " date=2001-02-03 time=04:05:06"}));
  EXPECT_EQ(RunLine(library, "SevenZip", ExtractLine("7-ZIP32.DLL", archive, dir / "ours")).code, code::kOk);
  EXPECT_EQ(FilesUnder(dir / "ours"), files);
  // Folders are stored by their names alone, as 7-Zip stores them; the
  // folder attribute says what they are.
  RunIn(dir, "LC_ALL=C.UTF-8 7z l -slt " + Quote(archive) +
                 " | sed '1,/^----------$/d' | sed -n 's/^Path = //p' | LC_ALL=C sort > stored.txt");
  EXPECT_EQ(Lines(dir / "stored.txt"),
            (std::vector<std::string>{"a.txt", "d", "d/b.txt", "d/e", "d/e/c.txt", "表ソ能", kJapanese}));
}

TEST(SevenZipCreate, LevelZeroStoresAndNineCompresses) {
  TempDir dir;
  const std::string big(100000, 'z');
  WriteFile(dir / "src/big.txt", big);
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  ASSERT_EQ(RunWith(library, "SevenZip", R"(a -mx=0 "@A" "@S/" "big.txt")", dir, dir / "stored.7z").code, code::kOk);
  ASSERT_EQ(RunWith(library, "SevenZip", R"(a -mx9 "@A" "@S/" "big.txt")", dir, dir / "packed.7z").code, code::kOk);
  EXPECT_GT(std::filesystem::file_size(dir / "stored.7z"), 100000u);
  EXPECT_LT(std::filesystem::file_size(dir / "packed.7z"), 2000u);
  const CommandOutput stored = RunAndCapture(kP7zip + " l -slt " + Quote(dir / "stored.7z"));
  const CommandOutput packed = RunAndCapture(kP7zip + " l -slt " + Quote(dir / "packed.7z"));
  EXPECT_NE(stored.text.find("Method = Copy"), std::string::npos) << stored.text;
  EXPECT_NE(packed.text.find("Method = LZMA2"), std::string::npos) << packed.text;
  EXPECT_EQ(P7zipFiles(dir, dir / "stored.7z"), (Files{{"big.txt", big}}));
  EXPECT_EQ(P7zipFiles(dir, dir / "packed.7z"), (Files{{"big.txt", big}}));
}

// A 7z holds Unicode names. A name that is no UTF-8 text (Shift-JIS 表ソ能,
// whose 0x5C trail bytes would become folder separators) cannot be stored
// as it is: the line is refused naming it, no archive is made, and an old
// one stays byte for byte.
TEST(SevenZipCreate, NamesThatAreNoTextAreRefused) {
  TempDir dir;
  MakeFiles(dir, {{"a.txt", "alpha\n"}, {kCp932Name + ".txt", "sjis"}, {"d/" + kCp932Name, "in a folder"}});
  std::filesystem::create_directories(dir / "arc");
  const std::string archive = dir / "arc/x.7z";
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  for (const std::string& name : {kCp932Name + ".txt", std::string("d")}) {
    SCOPED_TRACE(name);
    const CommandRun run = RunWith(library, "SevenZip", "a \"@A\" \"@S/\" \"a.txt\" \"" + name + "\"", dir, archive);
    EXPECT_EQ(run.code, code::kCannotCreate) << run.report;
    EXPECT_NE(run.report.find(kCp932Name), std::string::npos) << run.report;
    EXPECT_EQ(PathsUnder(dir / "arc"), std::vector<std::string>{});
  }
  ASSERT_EQ(RunWith(library, "SevenZip", R"(a "@A" "@S/" "a.txt")", dir, archive).code, code::kOk);
  const std::string before = ReadFile(archive);
  const CommandRun run = RunWith(library, "SevenZip", "u \"@A\" \"@S/\" \"" + kCp932Name + ".txt\"", dir, archive);
  EXPECT_EQ(run.code, code::kCannotCreate) << run.report;
  EXPECT_EQ(ReadFile(archive), before);
  EXPECT_EQ(PathsUnder(dir / "arc"), std::vector<std::string>{"x.7z"});
}

// One archive changed step by step, each step read back by p7zip.
TEST(SevenZipChange, UpdateAddAndDeleteKeepEverythingElse) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  RunIn(dir, "cd src && touch -d '2001-01-01 00:00:00' a.txt d/b.txt d/e/c.txt");
  const std::string archive = dir / "x.7z";
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  ASSERT_EQ(RunWith(library, "SevenZip", R"(a "@A" "@S/" "a.txt" "d")", dir, archive).code, code::kOk);
  // a.txt changes and gets newer; new.txt appears; d/b.txt changes but is
  // older than its entry.
  WriteFile(dir / "src/a.txt", "alpha two\n");
  WriteFile(dir / "src/new.txt", "new\n");
  WriteFile(dir / "src/d/b.txt", "older\n");
  RunIn(dir, "cd src && touch -d '1999-01-01 00:00:00' d/b.txt");

  const CommandRun update =
      RunWith(library, "SevenZip", R"(u -y "@A" "@S/" "a.txt" "d/b.txt" "new.txt")", dir, archive);
  EXPECT_EQ(update.code, code::kOk) << update.report;
  Files expected = kFiles;
  expected["a.txt"] = "alpha two\n";
  expected["new.txt"] = "new\n";
  EXPECT_EQ(P7zipFiles(dir, archive), expected);

  // Adding replaces whatever the times say.
  EXPECT_EQ(RunWith(library, "SevenZip", R"(a "@A" "@S/" "d/b.txt")", dir, archive).code, code::kOk);
  expected["d/b.txt"] = "older\n";
  EXPECT_EQ(P7zipFiles(dir, archive), expected);

  // A folder name deletes what is in it.
  EXPECT_EQ(RunWith(library, "SevenZip", R"(d "@A" "d/e")", dir, archive).code, code::kOk);
  expected.erase("d/e/c.txt");
  EXPECT_EQ(P7zipFiles(dir, archive), expected);
  EXPECT_EQ(ListedNames(library, archive), (std::vector<std::string>{"a.txt", "d/", "d/b.txt", "new.txt"}));
}

// The creating words of the libraries that create nothing make no file.
TEST(NotSupported, CreatesNoArchive) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  const std::vector<std::tuple<std::string, std::string, std::string>> lines = {
      {"UNLHA32.DLL", "Unlha", R"(u -+  "@A" "@S/" "a.txt" )"},
      {"UNLHA32.DLL", "Unlha", R"(a -+  "@A" "@S/" "a.txt" )"},
      {"UNARJ32J.DLL", "Unarj", R"(u -+  "@A" "@S/" "a.txt" )"},
      {"CAB32.DLL", "Cab", R"(-a  "@A" "@S/" "a.txt" )"}};
  for (const auto& [file, function, line] : lines) {
    SCOPED_TRACE(file + " " + line);
    const ArchiverLibrary library(LibraryFor(file));
    EXPECT_EQ(RunWith(library, function, line, dir, dir / "new.arc").code, code::kNotSupported);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.arc"));
  }
}

}  // namespace
