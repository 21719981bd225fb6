// tar32.dll's own ground: TarGetArchiveType, and plain compressed files
// listed as their one file.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

using GetTypeFn = ArcGetArchiveTypeFn;

struct TypeCase {
  std::string name;
  std::string command;  // makes "x" in a folder holding notes.txt
  int type;
  friend std::ostream& operator<<(std::ostream& out, const TypeCase& value) { return out << value.name; }
};

std::vector<TypeCase> TypeCases() {
  return {
      {"Tar", "tar cf x notes.txt", 1},
      {"TarV7", "tar --format=v7 -cf x notes.txt", 1},
      {"TarUstar", "tar --format=ustar -cf x notes.txt", 1},
      {"TarGzip", "tar czf x notes.txt", 2},
      {"TarCompress", "bsdtar cZf x notes.txt", 3},
      {"GzipOnly", "gzip -c notes.txt > x", 4},
      {"CompressOnly", "bsdtar -c --format raw -Z -f x notes.txt", 5},
      {"TarBzip2", "tar cjf x notes.txt", 6},
      {"Bzip2Only", "bzip2 -c notes.txt > x", 7},
      {"TarXz", "tar cJf x notes.txt", 10},
      {"TarXzOfSeveralBlocks", "tar cf - notes.txt | xz -T2 --block-size=2KiB -c > x", 10},
      {"XzOnly", "xz -c notes.txt > x", 11},
      {"TarZstd", "tar --zstd -cf x notes.txt", 12},
      {"ZstdOnly", "zstd -q -c notes.txt > x", 13},
      {"XzCutAfterItsMagic", "xz -c notes.txt | head -c 8 > x", 0},
      // A gzip whose content is another gzip, not a tar.
      {"TarGzipInsideGzip", "tar czf inner.tgz notes.txt && gzip -c inner.tgz > x", 4},
      {"Zip", "zip -q x.zip notes.txt && mv x.zip x", 0},
      {"Lha", "jlha a x.lzh notes.txt && mv x.lzh x", 0},
      {"Rar4", FixturePython("import rar\nrar.write('x', rar.from_files(['notes.txt']), 4)"), 0},
      {"Rar5", FixturePython("import rar\nrar.write('x', rar.from_files(['notes.txt']), 5)"), 0},
      {"Text", "cp notes.txt x", 0},
      {"ZeroBytes", ": > x", 0},
      {"TarOfNothing", "tar cf x --files-from /dev/null", 0},
  };
}

class TarTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TarTypeTest, TypeAndAcceptanceAgree) {
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const auto getType = reinterpret_cast<GetTypeFn>(library.Require("TarGetArchiveType"));
  TempDir dir;
  WriteFile(dir / "notes.txt", std::string(3000, 'n'));
  RunIn(dir, GetParam().command);
  const std::string path = dir / "x";
  EXPECT_EQ(getType(path.c_str()), GetParam().type);
  // Every type tar32 names it lists; anything else it refuses.
  const Listing listing = ListArchive(library.api(), path);
  EXPECT_EQ(listing.opened, GetParam().type > 0);
  if (listing.opened) {
    EXPECT_FALSE(listing.lines.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Tar, TarTypeTest, ::testing::ValuesIn(TypeCases()),
                         [](const auto& info) { return info.param.name; });

struct PlainCase {
  std::string name;
  std::string command;  // makes the file `made` from notes.txt
  std::string made;
  std::string line;
  friend std::ostream& operator<<(std::ostream& out, const PlainCase& value) { return out << value.name; }
};

// notes.txt is dated 2003-04-05 06:07:08 and each compressed file
// 2015-06-07 08:09:10, so the line shows which time an entry took.
std::vector<PlainCase> PlainCases() {
  return {
      {"GzipDatedByHeaderMtime", "gzip -c notes.txt > notes.txt.gz", "notes.txt.gz",
       "name=notes.txt date=2003-04-05 time=06:07:08"},
      {"GzipWithoutMtimeDatedLikeTheFile", "gzip -n -c notes.txt > notes.txt.gz", "notes.txt.gz",
       "name=notes.txt date=2015-06-07 time=08:09:10"},
      {"Bzip2DatedLikeTheFile", "bzip2 -c notes.txt > notes.txt.bz2", "notes.txt.bz2",
       "name=notes.txt date=2015-06-07 time=08:09:10"},
      {"CompressDatedLikeTheFile", "bsdtar -c --format raw -Z -f notes.txt.Z notes.txt", "notes.txt.Z",
       "name=notes.txt date=2015-06-07 time=08:09:10"},
      {"UpperCaseExtension", "gzip -c notes.txt > NOTES.TXT.GZ", "NOTES.TXT.GZ",
       "name=NOTES.TXT date=2003-04-05 time=06:07:08"},
      {"NoExtensionKeepsTheName", "bzip2 -c notes.txt > notes", "notes", "name=notes date=2015-06-07 time=08:09:10"},
      {"XzDatedLikeTheFile", "xz -c notes.txt > notes.txt.xz", "notes.txt.xz",
       "name=notes.txt date=2015-06-07 time=08:09:10"},
      {"ZstdDatedLikeTheFile", "zstd -q -c notes.txt > notes.txt.zst", "notes.txt.zst",
       "name=notes.txt date=2015-06-07 time=08:09:10"},
      {"TxzIsATar", "xz -c notes.txt > notes.txz", "notes.txz", "name=notes.tar date=2015-06-07 time=08:09:10"},
      {"TarGzipInsideGzipIsOneFile",
       "tar czf inner.tgz notes.txt && touch -d '2012-01-02 03:04:06' inner.tgz && gzip -c inner.tgz > inner.tgz.gz",
       "inner.tgz.gz", "name=inner.tgz date=2012-01-02 time=03:04:06"},
  };
}

class PlainCompressedTest : public ::testing::TestWithParam<PlainCase> {};

TEST_P(PlainCompressedTest, ListsOneEntryNamedAndDatedAsExpected) {
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  TempDir dir;
  WriteFile(dir / "notes.txt", std::string(3000, 'n'));
  RunIn(dir, "touch -d '2003-04-05 06:07:08' notes.txt");
  RunIn(dir, GetParam().command);
  RunIn(dir, "touch -d '2015-06-07 08:09:10' " + Quote(GetParam().made));
  const std::string path = dir / GetParam().made;
  EXPECT_EQ(ListArchive(library.api(), path).lines, std::vector<std::string>{GetParam().line});
  EXPECT_EQ(library.api().check(path.c_str(), 0), TRUE);
}

INSTANTIATE_TEST_SUITE_P(Tar, PlainCompressedTest, ::testing::ValuesIn(PlainCases()),
                         [](const auto& info) { return info.param.name; });

// Self-extractors as the TAR drivers' MakeSFX writes them: an executable
// stub, then the archive. The archive is found past the stub within the
// bounded window, and only where a tar header reads: the stub's own look-
// alike bytes, and compressed data in it that holds no tar, are passed over.
struct SfxCase {
  std::string name;
  std::string stub;     // makes "stub" in a folder holding notes.txt
  std::string archive;  // makes "x" from src/a.txt and src/d/b.txt
  int type;             // what TarGetArchiveType says of stub + x
  friend std::ostream& operator<<(std::ostream& out, const SfxCase& value) { return out << value.name; }
};

const std::string kPlainStub = "printf MZ > stub && head -c 30000 /dev/zero | tr '\\0' '\\220' >> stub";
// "ustar", the gzip and bzip2 magic numbers, and whole gzip and bzip2
// streams of text: each looks like a start, none holds a tar.
const std::string kDecoyStub =
    "printf MZ > stub && head -c 4000 /dev/zero >> stub && printf 'ustar\\037\\213\\010\\000BZh91AY&SY' >> stub"
    " && gzip -c notes.txt >> stub && bzip2 -c notes.txt >> stub"
    " && head -c 700 /dev/zero >> stub";

std::vector<SfxCase> SfxCases() {
  const std::string tar = "tar cf x -C src a.txt d/b.txt";
  return {
      {"TarBehindA30002ByteStub", kPlainStub, tar, 1},
      {"PaxTarBehindAStubOfDecoys", kDecoyStub, "tar --format=pax -cf x -C src a.txt d/b.txt", 1},
      {"TarGzipBehindAStubOfDecoys", kDecoyStub, "tar czf x -C src a.txt d/b.txt", 2},
      {"TarBzip2BehindAStubOfDecoys", kDecoyStub, "tar cjf x -C src a.txt d/b.txt", 6},
      {"TarXzBehindAStubOfDecoys", kDecoyStub + " && xz -c notes.txt >> stub", "tar cJf x -C src a.txt d/b.txt", 10},
      {"TarZstdBehindAStubOfDecoys", kDecoyStub + " && zstd -q -c notes.txt >> stub",
       "tar --zstd -cf x -C src a.txt d/b.txt", 12},
      {"DecoysAlone", kDecoyStub, "cp notes.txt x", 0},
      {"GzipOfTextBehindAStub", kPlainStub, "gzip -c notes.txt > x", 0},
      {"TarPastTheWindow", kPlainStub + " && head -c 1048576 /dev/zero >> stub", tar, 0},
      {"TarAfterTextIsNoSelfExtractor", "cp notes.txt stub", tar, 0},
  };
}

class TarSelfExtractorTest : public ::testing::TestWithParam<SfxCase> {};

TEST_P(TarSelfExtractorTest, IsTypedListedAndExtractedAsTheArchiveItHolds) {
  const SfxCase& row = GetParam();
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const auto getType = reinterpret_cast<GetTypeFn>(library.Require("TarGetArchiveType"));
  TempDir dir;
  WriteFile(dir / "notes.txt", std::string(3000, 'n'));
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "src/d/b.txt", "bravo\n");
  RunIn(dir, "touch -d '2003-04-05 06:07:08' src/a.txt && touch -d '2004-05-06 07:08:10' src/d/b.txt");
  RunIn(dir, row.stub);
  RunIn(dir, row.archive);
  RunIn(dir, "cat stub x > sfx.exe");
  const std::string sfx = dir / "sfx.exe";
  EXPECT_EQ(getType(sfx.c_str()), row.type);
  const Listing listing = ListArchive(library.api(), sfx);
  EXPECT_EQ(listing.opened, row.type > 0);
  EXPECT_EQ(library.api().check(sfx.c_str(), 0), row.type > 0 ? TRUE : FALSE);
  if (row.type == 0) return;
  EXPECT_EQ(listing.lines, (std::vector<std::string>{"name=a.txt date=2003-04-05 time=06:07:08",
                                                     "name=d/b.txt date=2004-05-06 time=07:08:10"}));
  const CommandRun run = RunLine(library, "Tar", "x -f \"" + sfx + "\" -o \"" + (dir / "out") + "/\"");
  EXPECT_EQ(run.code, code::kOk) << run.report;
  EXPECT_EQ(FilesUnder(dir / "out"), FilesUnder(dir / "src"));
}

INSTANTIATE_TEST_SUITE_P(Tar, TarSelfExtractorTest, ::testing::ValuesIn(SfxCases()),
                         [](const auto& info) { return info.param.name; });

TEST(PlainGzipRecord, CarriesOriginalAndFileSizesAndMethod) {
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  TempDir dir;
  WriteFile(dir / "notes.txt", std::string(3000, 'n'));
  RunIn(dir, "gzip notes.txt");
  const std::string path = dir / "notes.txt.gz";
  const Listing listing = ListArchive(library.api(), path);
  ASSERT_EQ(listing.records.size(), 1u);
  const ENTRYINFO& record = listing.records[0];
  const auto fileSize = static_cast<std::uint32_t>(std::filesystem::file_size(path));
  EXPECT_EQ(Copy(record.dwOriginalSize), 3000u);
  EXPECT_EQ(Copy(record.dwCompressedSize), fileSize);
  EXPECT_EQ(Copy(record.wRatio), fileSize * 1000 / 3000);
  EXPECT_STREQ(record.szMode, "gzip");
}

// The original size of a plain compressed file, where the format keeps it:
// xz in each stream's index, zstd in each frame's header when zstd knew the
// size (a file; not standard input). bzip2 and compress keep none: 0.
TEST(PlainCompressedRecord, CarriesTheOriginalSizeWhereTheFormatKeepsIt) {
  struct Row {
    const char* command;  // makes `made` from notes.txt (300,000 bytes)
    const char* made;
    std::uint32_t size;
  };
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  for (const Row& row :
       {Row{"xz -c notes.txt > n.xz", "n.xz", 300000},
        Row{"xz -T2 --block-size=64KiB -c notes.txt > n.xz", "n.xz", 300000},
        Row{"xz -c notes.txt > n.xz && xz -c notes.txt | cat >> n.xz && truncate -s +8 n.xz", "n.xz", 600000},
        Row{"zstd -q -c notes.txt > n.zst", "n.zst", 300000},
        Row{"zstd -q -c notes.txt > n.zst && zstd -q -c notes.txt >> n.zst", "n.zst", 600000},
        Row{"zstd -q -c < notes.txt > n.zst", "n.zst", 0},
        Row{"head -c 200 notes.txt | zstd -q -c --stream-size=200 > n.zst", "n.zst", 200},
        Row{"bzip2 -c notes.txt > n.bz2", "n.bz2", 0}, Row{"gzip -c notes.txt > n.gz", "n.gz", 300000}}) {
    SCOPED_TRACE(row.command);
    TempDir dir;
    std::string text;
    for (int i = 0; text.size() < 300000; ++i) text += std::to_string(i * 7919 % 10007) + (i % 9 == 0 ? "\n" : " ");
    text.resize(300000);
    WriteFile(dir / "notes.txt", text);
    RunIn(dir, row.command);
    const Listing listing = ListArchive(library.api(), dir / row.made);
    ASSERT_EQ(listing.records.size(), 1u);
    EXPECT_EQ(Copy(listing.records[0].dwOriginalSize), row.size);
  }
}

// A file of gzip members or bzip2 streams: a tail that begins another one
// (as far as its bytes go) and ends before that one is whole is damage, and
// nothing is written; a tail that cannot begin one is trailing garbage, left
// alone. a.txt is "seq 1 60000" (several bzip2 -1 blocks, so the threaded
// unpacking takes the file), b.txt a line of text.
struct MemberCase {
  std::string name;
  std::string command;  // makes 日本語.txt.gz or 日本語.txt.bz2 from a.txt and b.txt
  int code;
  std::string unpacked;                     // what 日本語.txt holds after a clean run: "a", "ab" or ""
  std::optional<std::uint32_t> listedSize;  // of a .gz: its last member's, or 0 when unknown
  friend std::ostream& operator<<(std::ostream& out, const MemberCase& value) { return out << value.name; }
};

// The first member of `a.txt` and the second of `b.txt` packed by `packer`,
// the second cut `keep` bytes in ("" keeps it whole), into `out`.
std::string TwoMembers(const std::string& packer, const std::string& out, const std::string& keep = "") {
  std::string command = packer + " -c a.txt > m1 && " + packer + " -c b.txt > m2 && cat m1 m2";
  if (!keep.empty()) command += " | head -c $(( $(stat -c %s m1) + " + keep + " ))";
  return command + " > " + out;
}

std::vector<MemberCase> MemberCases() {
  const std::string gz = "日本語.txt.gz", bz2 = "日本語.txt.bz2";
  return {
      {"GzipOfTwoWholeMembers", TwoMembers("gzip", gz), code::kOk, "ab", 6},
      {"GzipSecondMemberCutInItsHeader", TwoMembers("gzip", gz, "10"), code::kBrokenArchive, "", 0},
      {"GzipSecondMemberCutInItsData", TwoMembers("gzip", gz, "20"), code::kBrokenArchive, "", std::nullopt},
      {"GzipOneByteOfASecondMember", TwoMembers("gzip", gz, "1"), code::kBrokenArchive, "", std::nullopt},
      {"GzipThenGarbage", "gzip -c a.txt > " + gz + " && printf 'XYZ\\000' >> " + gz, code::kOk, "a", std::nullopt},
      {"Bzip2OfTwoWholeStreams", TwoMembers("bzip2 -1", bz2), code::kOk, "ab", std::nullopt},
      {"Bzip2SecondStreamCutInItsHeader", TwoMembers("bzip2 -1", bz2, "10"), code::kBrokenArchive, "", std::nullopt},
      {"Bzip2OneByteOfASecondStream", TwoMembers("bzip2 -1", bz2, "1"), code::kBrokenArchive, "", std::nullopt},
      // One block: libarchive's own filter unpacks it, not the threads.
      {"Bzip2OfOneBlockThenAStreamCutInItsHeader",
       "bzip2 -c b.txt > m1 && cat m1 m1 | head -c $(( $(stat -c %s m1) + 10 )) > " + bz2, code::kBrokenArchive, "",
       std::nullopt},
      {"Bzip2ThenGarbage", "bzip2 -1 -c a.txt > " + bz2 + " && printf 'XYZ\\000' >> " + bz2, code::kOk, "a",
       std::nullopt},
      // pbzip2 writes a stream per 100 kB: the file has several from the start.
      {"Pbzip2ThirdStreamCutInItsHeader",
       "pbzip2 -b1 -c a.txt > m1 && pbzip2 -b1 -c b.txt > m2 && cat m1 m1 m2 | head -c $(( 2 * $(stat -c %s m1) + 10 ))"
       " > " +
           bz2,
       code::kBrokenArchive, "", std::nullopt},
  };
}

class MemberTailTest : public ::testing::TestWithParam<MemberCase> {};

TEST_P(MemberTailTest, ExtractsOnlyWholeMembers) {
  const MemberCase& row = GetParam();
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  TempDir dir;
  RunIn(dir, "seq 1 60000 > a.txt && echo bravo > b.txt");
  RunIn(dir, row.command);
  const std::string archive =
      dir / (row.command.find(".bz2") != std::string::npos ? "日本語.txt.bz2" : "日本語.txt.gz");
  const CommandRun run = RunLine(library, "Tar", "x -f \"" + archive + "\" -o \"" + (dir / "out") + "/\"");
  EXPECT_EQ(run.code, row.code) << run.report;
  std::map<std::string, std::string> expected;
  if (!row.unpacked.empty()) {
    const std::string a = ReadFile(dir / "a.txt"), b = ReadFile(dir / "b.txt");
    expected["日本語.txt"] = row.unpacked == "ab" ? a + b : a;
  }
  EXPECT_EQ(FilesUnder(dir / "out"), expected);
  const Listing listing = ListArchive(library.api(), archive);
  ASSERT_EQ(listing.records.size(), 1u);
  if (row.listedSize) {
    EXPECT_EQ(Copy(listing.records[0].dwOriginalSize), *row.listedSize);
  }
}

INSTANTIATE_TEST_SUITE_P(Tar, MemberTailTest, ::testing::ValuesIn(MemberCases()),
                         [](const auto& info) { return info.param.name; });

// A compressed file cut short before the unpacker gives its first bytes:
// still a file of its compression, listed as its one entry; extracting it
// is damage, named, and writes nothing. A tar inside, or a bzip2 cut inside
// its first block (which gives no byte to tell a tar from other data), is
// not listed, but its extraction is damage too, not a foreign file.
struct CutCase {
  std::string name;
  std::string packer;  // packs a.txt to standard output
  int type;            // what TarGetArchiveType says
  std::string report;  // part of the extraction's report
  friend std::ostream& operator<<(std::ostream& out, const CutCase& value) { return out << value.name; }
};

class CutCompressedTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutCompressedTest, ExtractsAsDamage) {
  const CutCase& row = GetParam();
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const auto getType = reinterpret_cast<GetTypeFn>(library.Require("TarGetArchiveType"));
  TempDir dir;
  RunIn(dir, "seq 1 9000 > a.txt && " + row.packer +
                 " a.txt > whole && head -c $(( $(stat -c %s whole) / 2 ))"
                 " whole > 日本語.txt.cut");
  const std::string archive = dir / "日本語.txt.cut";
  EXPECT_EQ(getType(archive.c_str()), row.type);
  const Listing listing = ListArchive(library.api(), archive);
  EXPECT_EQ(listing.opened, row.type != 0);
  if (row.type != 0) {
    ASSERT_EQ(listing.records.size(), 1u);
    EXPECT_STREQ(listing.records[0].szFileName, "日本語.txt.cut");
  }
  const CommandRun run = RunLine(library, "Tar", "x -f \"" + archive + "\" -o \"" + (dir / "out") + "/\"");
  EXPECT_EQ(run.code, code::kBrokenArchive) << run.report;
  EXPECT_NE(run.report.find(row.report), std::string::npos) << run.report;
  EXPECT_FALSE(std::filesystem::exists(dir / "out/日本語.txt.cut"));
}

INSTANTIATE_TEST_SUITE_P(Tar, CutCompressedTest,
                         ::testing::Values(CutCase{"Gzip", "gzip -c", 4, "failed: 日本語.txt.cut (data damaged"},
                                           CutCase{"Xz", "xz -c", 11, "failed: 日本語.txt.cut (data damaged"},
                                           CutCase{"Zstd", "zstd -q -c", 13, "failed: 日本語.txt.cut (data damaged"},
                                           CutCase{"Bzip2", "bzip2 -c", 0, "damaged archive"},
                                           CutCase{"TarGzip", "tar czf -", 0, "damaged archive"},
                                           CutCase{"TarXz", "tar cJf -", 0, "damaged archive"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
