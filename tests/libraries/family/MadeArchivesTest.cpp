// Archives made here by real tools from files with known times, plain and
// inside self-extractor stubs: each lists its entries with their local
// times, checks clean, and opens in no library of another format.
#include <gtest/gtest.h>

#include <ostream>

#include "libraries/core/util/Crc32.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace {

struct MadeCase {
  std::string name;
  std::string library;
  std::string command;  // run in the folder of the files; makes `made`
  std::string made;
  std::string stub;  // bytes put before `made` to form the tested file
  std::vector<std::string> lines;
  friend std::ostream& operator<<(std::ostream& out, const MadeCase& value) { return out << value.name; }
};

// An executable stub of `size` bytes.
std::string Stub(std::size_t size) { return "MZ" + std::string(size - 2, '\x90'); }

// a.txt, d/ and d/b.txt, and for tar odd.txt with an odd second. Times are
// local (TZ=JST-9, which the tools inherit).
void MakeFiles(const TempDir& dir) {
  WriteFile(dir / "a.txt", "alpha\n");
  WriteFile(dir / "d/b.txt", "bravo bravo\n");
  WriteFile(dir / "odd.txt", "odd\n");
  RunIn(dir, "touch -d '2001-02-03 04:05:06' a.txt");
  RunIn(dir, "touch -d '2010-11-12 13:14:16' d/b.txt d");
  RunIn(dir, "touch -d '2020-05-06 07:08:09' odd.txt");
}

const std::vector<std::string> kThree = {"name=a.txt date=2001-02-03 time=04:05:06",
                                         "name=d/ date=2010-11-12 time=13:14:16",
                                         "name=d/b.txt date=2010-11-12 time=13:14:16"};
const std::vector<std::string> kTar = {"name=a.txt date=2001-02-03 time=04:05:06",
                                       "name=d/ date=2010-11-12 time=13:14:16",
                                       "name=d/b.txt date=2010-11-12 time=13:14:16",
                                       // tar keeps whole seconds; DOS time drops the odd one
                                       "name=odd.txt date=2020-05-06 time=07:08:08"};
const std::vector<std::string> kJapanese = {"name=表ソ能/ date=2011-12-13 time=14:15:16",
                                            "name=表ソ能/日本語.txt date=2011-12-13 time=14:15:16"};
// gcab writes the UTC clock into the DOS fields (a cabinet has no zone), so
// the entries list 9 hours behind the files' local times. It adds no folders.
const std::vector<std::string> kCab = {"name=a.txt date=2001-02-02 time=19:05:06",
                                       "name=d/b.txt date=2010-11-12 time=04:14:16"};
// arj adds the files of a folder, not the folder itself.
const std::vector<std::string> kArj = {"name=a.txt date=2001-02-03 time=04:05:06",
                                       "name=d/b.txt date=2010-11-12 time=13:14:16"};
// RAR lists a folder without its trailing '/'.
const std::vector<std::string> kRar = {"name=a.txt date=2001-02-03 time=04:05:06",
                                       "name=d date=2010-11-12 time=13:14:16",
                                       "name=d/b.txt date=2010-11-12 time=13:14:16"};
// 7-Zip puts the empty entries (folders) before the files.
const std::vector<std::string> kSevenZip = {"name=d/ date=2010-11-12 time=13:14:16",
                                            "name=a.txt date=2001-02-03 time=04:05:06",
                                            "name=d/b.txt date=2010-11-12 time=13:14:16"};
// Before DOS time begins: the smallest DOS value.
const std::vector<std::string> kBefore1980 = {"name=a.txt date=1980-01-01 time=00:00:00",
                                              "name=d/ date=1980-01-01 time=00:00:00",
                                              "name=d/b.txt date=1980-01-01 time=00:00:00"};

// No tool here writes RAR or LHA header level 3: the fixture builders
// write them, stored, from the files on disk.
std::string Rar(int version) {
  return FixturePython("import rar\nrar.write('x.rar', rar.from_files(['a.txt', 'd', 'd/b.txt']), " +
                       std::to_string(version) + ")");
}
std::string LhaLevel3() {
  return FixturePython(
      "import lha, os\n"
      "def at(name): return int(os.stat(name).st_mtime)\n"
      "lha.write('x.lzh', [lha.level3([(1, b'a.txt')], open('a.txt', 'rb').read(), at('a.txt')),\n"
      "    lha.level3([(2, b'd\\xff')], None, at('d')),\n"
      "    lha.level3([(1, b'b.txt'), (2, b'd\\xff')], open('d/b.txt', 'rb').read(), at('d/b.txt'))])");
}

// A stub holding ARJ id bytes, one with a header size past the limit and
// one whose header CRC is wrong, before the real archive.
std::string ArjStubWithFakeHeaders() {
  std::string stub = Stub(3000);
  stub.replace(100, 4, std::string("\x60\xEA\xFF\x7F", 4));
  std::string fake("\x60\xEA\x22\x00", 4);
  fake += std::string(1, '\x1E') + std::string(0x22 - 1, 'F') + "CRC!" + std::string(2, '\0');
  stub.replace(1000, fake.size(), fake);
  return stub;
}

std::vector<MadeCase> Cases() {
  return {
      {"ZipWithTimeExtras", "UNZIP32.DLL", "zip -q -r x.zip a.txt d", "x.zip", "", kThree},
      {"ZipDosTimesOnly", "UNZIP32.DLL", "zip -X -q -r x.zip a.txt d", "x.zip", "", kThree},
      {"ZipBy7z", "ZIP32J.DLL", "7z a -tzip x.zip a.txt d", "x.zip", "", kThree},
      {"ZipSfxOffsetsAdjusted", "LMZIP32.DLL",
       "zip -X -q -r x.zip a.txt d && printf MZ > x.exe && head -c 40000 /dev/zero >> x.exe && cat x.zip >> x.exe"
       " && zip -q -A x.exe",
       "x.exe", "", kThree},
      {"ZipSfxOffsetsAsMade", "UNZIP32.DLL", "zip -X -q -r x.zip a.txt d", "x.zip", Stub(40000), kThree},
      {"LhaLevel0", "UNLHA32.DLL", "jlha a0 x.lzh a.txt d", "x.lzh", "", kThree},
      {"LhaLevel1", "UNLHA32.DLL", "jlha a1 x.lzh a.txt d", "x.lzh", "", kThree},
      {"LhaLevel2", "UNLHA32.DLL", "jlha a2 x.lzh a.txt d", "x.lzh", "", kThree},
      {"LhaLevel2Before1980", "UNLHA32.DLL", "touch -d '1970-01-02 00:00:01' a.txt d/b.txt d && jlha a2 x.lzh a.txt d",
       "x.lzh", "", kBefore1980},
      {"LhaLevel3", "UNLHA32.DLL", LhaLevel3(), "x.lzh", "", kThree},
      {"LhaSfxSmallStub", "UNLHA32.DLL", "jlha a x.lzh a.txt d", "x.lzh", Stub(2000), kThree},
      // Past the 20 KB libarchive looks through itself.
      {"LhaSfxLargeStub", "UNLHA32.DLL", "jlha a x.lzh a.txt d", "x.lzh", Stub(60000), kThree},
      {"Cab", "CAB32.DLL", "gcab -c x.cab a.txt d/b.txt", "x.cab", "", kCab},
      {"CabSfxSmallStub", "CAB32.DLL", "gcab -c x.cab a.txt d/b.txt", "x.cab", Stub(5000), kCab},
      // Past the 128 KB libarchive looks through itself.
      {"CabSfxLargeStub", "CAB32.DLL", "gcab -c x.cab a.txt d/b.txt", "x.cab", Stub(200000), kCab},
      {"Arj", "UNARJ32J.DLL", "arj a -r x.arj a.txt d", "x.arj", "", kArj},
      {"ArjSfxWithFakeSignatures", "UNARJ32J.DLL", "arj a -r x.arj a.txt d", "x.arj", ArjStubWithFakeHeaders(), kArj},
      {"Rar4", "UNRAR32.DLL", Rar(4), "x.rar", "", kRar},
      {"Rar5", "UNRAR32.DLL", Rar(5), "x.rar", "", kRar},
      {"Rar4SfxLargeStub", "UNRAR32.DLL", Rar(4), "x.rar", Stub(300000), kRar},
      {"Rar5SfxLargeStub", "UNRAR32.DLL", Rar(5), "x.rar", Stub(300000), kRar},
      {"Tar", "tar32.dll", "tar cf x.tar a.txt d odd.txt", "x.tar", "", kTar},
      {"TarGzip", "tar32.dll", "tar czf x.tgz a.txt d odd.txt", "x.tgz", "", kTar},
      {"TarBzip2", "tar32.dll", "tar cjf x.tbz a.txt d odd.txt", "x.tbz", "", kTar},
      {"TarCompress", "tar32.dll", "bsdtar cZf x.taz a.txt d odd.txt", "x.taz", "", kTar},
      {"TarUstarByBsdtar", "tar32.dll", "bsdtar --format ustar -cf x.tar a.txt d odd.txt", "x.tar", "", kTar},
      {"TarXz", "tar32.dll", "tar cJf x.txz a.txt d odd.txt", "x.txz", "", kTar},
      {"TarXzOfSeveralBlocks", "tar32.dll", "tar -I 'xz -T2 --block-size=1KiB' -cf x.txz a.txt d odd.txt", "x.txz", "",
       kTar},
      {"TarXzSfx", "tar32.dll", "tar cJf x.txz a.txt d odd.txt", "x.txz", Stub(40000), kTar},
      {"TarZstd", "tar32.dll", "tar --zstd -cf x.tzst a.txt d odd.txt", "x.tzst", "", kTar},
      {"TarZstdSfx", "tar32.dll", "tar --zstd -cf x.tzst a.txt d odd.txt", "x.tzst", Stub(40000), kTar},
      // UTF-8 names as GNU tar stores them, listed as they are.
      {"TarXzJapaneseNames", "tar32.dll",
       "mkdir 表ソ能 && cp a.txt 表ソ能/日本語.txt && touch -d '2011-12-13 14:15:16' 表ソ能/日本語.txt 表ソ能"
       " && tar cJf x.txz 表ソ能",
       "x.txz", "", kJapanese},
      {"TarZstdJapaneseNames", "tar32.dll",
       "mkdir 表ソ能 && cp a.txt 表ソ能/日本語.txt && touch -d '2011-12-13 14:15:16' 表ソ能/日本語.txt 表ソ能"
       " && tar --zstd -cf x.tzst 表ソ能",
       "x.tzst", "", kJapanese},
      {"SevenZip", "7-ZIP32.DLL", "7z a -bd x.7z a.txt d > /dev/null", "x.7z", "", kSevenZip},
      // p7zip's own self-extractor is an ELF program of about 500 KB.
      {"SevenZipSfxByP7zip", "7-ZIP32.DLL", "7z a -bd -sfx/usr/lib/p7zip/7zCon.sfx x.exe a.txt d > /dev/null", "x.exe",
       "", kSevenZip},
      // Before and past the stretch libarchive searches itself (160 KB to 384 KB).
      {"SevenZipSfxSmallStub", "7-ZIP32.DLL", "7z a -bd x.7z a.txt d > /dev/null", "x.7z", Stub(2000), kSevenZip},
      {"SevenZipSfxLargeStub", "7-ZIP32.DLL", "7z a -bd x.7z a.txt d > /dev/null", "x.7z", Stub(600000), kSevenZip},
  };
}

class MadeArchivesTest : public ::testing::TestWithParam<MadeCase> {};

TEST_P(MadeArchivesTest, ListsEntriesWithLocalTimesInItsLibraryOnly) {
  const MadeCase& made = GetParam();
  TempDir dir;
  MakeFiles(dir);
  RunIn(dir, made.command);
  std::string archive = dir / made.made;
  if (!made.stub.empty()) {
    WriteConcatenation(dir / "sfx.exe", made.stub, archive);
    archive = dir / "sfx.exe";
  }
  const std::string family = LibraryFor(made.library).format;
  for (const LibraryEntry& info : AllLibraries()) {
    SCOPED_TRACE(info.file);
    const ArchiverLibrary library(info);
    const Listing listing = ListArchive(library.api(), archive);
    if (info.format != family) {
      EXPECT_FALSE(listing.opened);
      continue;
    }
    EXPECT_EQ(listing.lines, made.lines);
    EXPECT_EQ(library.api().check(archive.c_str(), 0), TRUE);
  }
}

INSTANTIATE_TEST_SUITE_P(Tools, MadeArchivesTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

// Each file's record carries the CRC-32 its archive stores for it: the CRC
// of its bytes (0 for an empty file, which has none stored or needs none).
struct CrcCase {
  std::string name;
  std::string library;
  std::string make;  // run in src/, makes ../x.<ext>
  std::string archive;
  friend std::ostream& operator<<(std::ostream& out, const CrcCase& value) { return out << value.name; }
};

class StoredCrcTest : public ::testing::TestWithParam<CrcCase> {};

TEST_P(StoredCrcTest, RecordsCarryTheStoredCrc) {
  const Files files = {
      {"a.txt", std::string(3000, 'a')}, {"d/b.txt", "bravo\n"}, {"empty", ""}, {"日本語.txt", "nihongo\n"}};
  TempDir dir;
  MakeFiles(dir, files);
  RunIn(dir, "cd src && " + GetParam().make + " > /dev/null");
  const ArchiverLibrary library(LibraryFor(GetParam().library));
  std::map<std::string, std::uint32_t> listed, expected;
  for (const ENTRYINFO& record : ListArchive(library.api(), dir / GetParam().archive).records)
    if (files.count(record.szFileName) != 0) listed[record.szFileName] = Copy(record.dwCRC);  // files, not folders
  for (const auto& [name, bytes] : files) expected[name] = bytes.empty() ? 0 : dv::Crc32(bytes.data(), bytes.size());
  EXPECT_EQ(listed, expected);
}

std::string RarOfAll(int version, const std::string& stub = "b''") {
  return FixturePython(
      "import rar\nrar.write('../x.rar', rar.from_files(['a.txt', 'd', 'd/b.txt', 'empty', "
      "'日本語.txt']), " +
      std::to_string(version) + ", " + stub + ")");
}

INSTANTIATE_TEST_SUITE_P(
    Archives, StoredCrcTest,
    ::testing::Values(CrcCase{"Rar4", "UNRAR32.DLL", RarOfAll(4), "x.rar"},
                      CrcCase{"Rar5", "UNRAR32.DLL", RarOfAll(5), "x.rar"},
                      CrcCase{"Rar5BehindAStub", "UNRAR32.DLL", RarOfAll(5, "b'MZ' + bytes(5000)"), "x.rar"},
                      CrcCase{"Rar4BehindAStub", "UNRAR32.DLL", RarOfAll(4, "b'MZ' + bytes(5000)"), "x.rar"},
                      CrcCase{"SevenZipSolid", "7-ZIP32.DLL", "LC_ALL=C.UTF-8 7z a -bd ../x.7z .", "x.7z"},
                      CrcCase{"SevenZipPlainHeader", "7-ZIP32.DLL",
                              "LC_ALL=C.UTF-8 7z a -bd -mhc=off -ms=off ../x.7z .", "x.7z"},
                      CrcCase{"Zip", "UNZIP32.DLL", "LC_ALL=C.UTF-8 zip -qr ../x.zip .", "x.zip"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
