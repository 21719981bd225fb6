// Input that is not an archive, or an archive cut short: every library
// refuses the first kind (without blocking on a FIFO) and lists the second
// up to its first bad header, never crashing, hanging or looping.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <ostream>

#include <functional>
#include <random>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

std::string RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

struct NotAnArchive {
  std::string name;
  std::function<std::string(const TempDir&)> make;  // returns the path
  int tarType;
  friend std::ostream& operator<<(std::ostream& out, const NotAnArchive& value) { return out << value.name; }
};

std::vector<NotAnArchive> NotArchives() {
  // clang-format off
  return {
      {"ZeroBytes", [](const TempDir& d) { WriteFile(d / "empty", ""); return d / "empty"; }, 0},
      {"RandomBytes", [](const TempDir& d) { WriteFile(d / "noise", RandomBytes(4096, 1)); return d / "noise"; }, 0},
      {"ExecutableWithNoArchive",
       [](const TempDir& d) { WriteFile(d / "a.exe", "MZ" + RandomBytes(70000, 2)); return d / "a.exe"; }, 0},
      {"Directory", [](const TempDir& d) { std::filesystem::create_directory(d / "dir"); return d / "dir"; }, -1},
      {"Missing", [](const TempDir& d) { return d / "missing.zip"; }, -1},
      // Opening a FIFO for reading would block until a writer came.
      {"Fifo",
       [](const TempDir& d) {
         const std::string path = d / "fifo";
         EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
         return path;
       },
       -1},
  };
  // clang-format on
}

class NotAnArchiveTest : public ::testing::TestWithParam<NotAnArchive> {};

TEST_P(NotAnArchiveTest, EveryLibraryRefusesIt) {
  TempDir dir;
  const std::string path = GetParam().make(dir);
  for (const LibraryEntry& info : AllLibraries()) {
    SCOPED_TRACE(info.file);
    const ArchiverLibrary library(info);
    EXPECT_EQ(library.api().open(nullptr, path.c_str(), kProbeOpenMode), 0u);
    EXPECT_EQ(library.api().open(nullptr, path.c_str(), 0), 0u);
    EXPECT_EQ(library.api().check(path.c_str(), 0), FALSE);
  }
  const ArchiverLibrary tar(LibraryFor("tar32.dll"));
  const auto getType = reinterpret_cast<ArcGetArchiveTypeFn>(tar.Require("TarGetArchiveType"));
  EXPECT_EQ(getType(path.c_str()), GetParam().tarType);
}

TEST(NullArguments, AreRefusedNotFollowed) {
  for (const LibraryEntry& info : AllLibraries()) {
    SCOPED_TRACE(info.file);
    const ArchiverLibrary library(info);
    EXPECT_EQ(library.api().open(nullptr, nullptr, kProbeOpenMode), 0u);
    EXPECT_EQ(library.api().open(nullptr, "", kProbeOpenMode), 0u);
    EXPECT_EQ(library.api().check(nullptr, 0), FALSE);
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, NotAnArchiveTest, ::testing::ValuesIn(NotArchives()),
                         [](const auto& info) { return info.param.name; });

// f1..f3, 20000 random bytes each (so no compression shrinks them), and
// g1..g3 of 200000, for compressed tars: libarchive opens a compressed
// stream only once it unpacks its first 64 KiB. Dated 2020-01-0N 10:00:00.
void MakeThreeFiles(const TempDir& dir) {
  for (int n = 1; n <= 3; ++n) {
    for (const auto& [prefix, size] : {std::pair<std::string, std::size_t>{"f", 20000}, {"g", 200000}}) {
      const std::string name = prefix + std::to_string(n);
      WriteFile(dir / name, RandomBytes(size, static_cast<unsigned>(size) + n));
      RunOrFail("touch -d '2020-01-0" + std::to_string(n) + " 10:00:00' " + Quote(dir / name));
    }
  }
}

// Offset of the `n`th (from 0) occurrence of `signature`, or the size when
// there are fewer.
std::size_t Nth(const std::string& bytes, const std::string& signature, int n) {
  std::size_t at = bytes.find(signature);
  for (int i = 0; i < n && at != std::string::npos; ++i) at = bytes.find(signature, at + 1);
  return at == std::string::npos ? bytes.size() : at;
}

struct Cut {
  std::string name;
  std::string library;
  std::string command;  // makes `made` from f1, f2, f3
  std::string made;
  std::function<std::size_t(const std::string&)> keep;  // bytes kept
  bool opens;
  std::size_t entries;
  bool checks;
  friend std::ostream& operator<<(std::ostream& out, const Cut& value) { return out << value.name; }
};

const char* kTar = "tar cf x.tar f1 f2 f3";
const char* kZip = "zip -X -q -0 x.zip f1 f2 f3";
const char* kLha = "jlha a x.lzh f1 f2 f3";
const char* kCab = "gcab -c x.cab f1 f2 f3";
const char* k7z = "7z a -bd -m0=Copy x.7z f1 f2 f3 > /dev/null";
constexpr std::size_t kTarMember = 512 + 20480;  // header and padded data

std::vector<Cut> Cuts() {
  const auto rar = [](int version) {
    return FixturePython("import rar\nrar.write('x.rar', rar.from_files(['f1', 'f2', 'f3']), " +
                         std::to_string(version) + ")");
  };
  // clang-format off
  return {
      {"TarShorterThanOneHeader", "tar32.dll", kTar, "x.tar", [](auto&) { return 100; }, false, 0, false},
      {"TarInSecondHeader", "tar32.dll", kTar, "x.tar", [](auto&) { return kTarMember + 100; }, true, 1, false},
      {"TarInSecondData", "tar32.dll", kTar, "x.tar", [](auto&) { return kTarMember + 600; }, true, 2, false},
      {"TarInThirdData", "tar32.dll", kTar, "x.tar", [](auto&) { return 2 * kTarMember + 600; }, true, 3, false},
      {"TarGzipHalf", "tar32.dll", "tar czf x.tgz g1 g2 g3", "x.tgz", [](auto& b) { return b.size() / 2; }, true,
       2, false},
      // bzip2 unpacks whole blocks only: 100 KB blocks (-1) leave the first
      // three whole; a cut in a single 900 KB block leaves nothing.
      {"TarBzip2Half", "tar32.dll", "tar -I 'bzip2 -1' -cf x.tbz g1 g2 g3", "x.tbz",
       [](auto& b) { return b.size() / 2; }, true, 2, false},
      // xz and zstd unpack as they read: a cut halfway through the three
      // 200 KB members leaves the first two headers whole.
      {"TarXzHalf", "tar32.dll", "tar cJf x.txz g1 g2 g3", "x.txz", [](auto& b) { return b.size() / 2; }, true, 2,
       false},
      // Several blocks and no index at the end: read as one stream all the same.
      {"TarXzOfSeveralBlocksHalf", "tar32.dll", "tar -I 'xz -T2 --block-size=64KiB' -cf x.txz g1 g2 g3", "x.txz",
       [](auto& b) { return b.size() / 2; }, true, 2, false},
      {"TarZstdHalf", "tar32.dll", "tar --zstd -cf x.tzst g1 g2 g3", "x.tzst", [](auto& b) { return b.size() / 2; },
       true, 2, false},
      {"TarBzip2InItsOnlyBlock", "tar32.dll", "tar -I 'bzip2 -9' -cf x.tbz g1 g2 g3", "x.tbz",
       [](auto& b) { return b.size() / 2; }, false, 0, false},
      // The local headers are whole; reading them ends at the first record
      // of the (cut) central directory, so nothing read was broken.
      {"ZipWithoutCentralDirectory", "UNZIP32.DLL", kZip, "x.zip",
       [](auto& b) { return Nth(b, "PK\x01\x02", 0) + 10; }, true, 3, true},
      {"ZipInSecondLocalHeader", "UNZIP32.DLL", kZip, "x.zip", [](auto& b) { return Nth(b, "PK\x03\x04", 1) + 10; },
       true, 1, false},
      {"ZipInSecondData", "UNZIP32.DLL", kZip, "x.zip", [](auto& b) { return Nth(b, "PK\x03\x04", 1) + 100; }, true,
       2, false},
      {"ZipSignatureOnly", "UNZIP32.DLL", kZip, "x.zip", [](auto&) { return 4; }, true, 0, false},
      {"LhaInSecondHeader", "UNLHA32.DLL", kLha, "x.lzh", [](auto& b) { return Nth(b, "-lh", 1) + 5; }, true, 1,
       false},
      {"LhaInSecondData", "UNLHA32.DLL", kLha, "x.lzh", [](auto& b) { return Nth(b, "-lh", 2) - 500; }, true, 2,
       false},
      // An LHA archive may end without its final zero byte.
      {"LhaWithoutEndMarker", "UNLHA32.DLL", kLha, "x.lzh", [](auto& b) { return b.size() - 1; }, true, 3, true},
      // The cabinet header is whole, its file table is not.
      {"CabInFileTable", "CAB32.DLL", kCab, "x.cab", [](auto&) { return 0x40; }, true, 0, false},
      // Every file's header sits in the table before the data, so a cut in
      // the data leaves all of them readable.
      {"CabInData", "CAB32.DLL", kCab, "x.cab", [](auto& b) { return b.size() / 2; }, true, 3, true},
      // Stored RAR 4: file headers of 34 bytes at 20, 20054 and 40088.
      {"Rar4InThirdHeader", "UNRAR32.DLL", rar(4), "x.rar", [](auto&) { return 40088 + 10; }, true, 2, false},
      {"Rar4InSecondData", "UNRAR32.DLL", rar(4), "x.rar", [](auto&) { return 20054 + 34 + 100; }, true, 2, false},
      // Stored RAR 5: file headers of 28 bytes at 16, 20044 and 40072.
      // libarchive's RAR 5 reader takes a header cut short as the archive's
      // end, so the check cannot tell this archive is short.
      {"Rar5InThirdHeader", "UNRAR32.DLL", rar(5), "x.rar", [](auto&) { return 40072 + 10; }, true, 2, true},
      {"Rar5InSecondData", "UNRAR32.DLL", rar(5), "x.rar", [](auto& b) { return b.size() / 2; }, true, 2, false},
      {"ArjInSecondData", "UNARJ32J.DLL", "arj a x.arj f1 f2 f3", "x.arj",
       [](auto& b) { return Nth(b, "\x60\xEA", 2) + 100 + 20000 / 2; }, true, 2, false},
      // A 7z keeps every header in one database at its end: a cut anywhere
      // loses them all.
      {"SevenZipInStartHeader", "7-ZIP32.DLL", k7z, "x.7z", [](auto&) { return 20; }, false, 0, false},
      {"SevenZipInSecondData", "7-ZIP32.DLL", k7z, "x.7z", [](auto& b) { return b.size() / 2; }, false, 0, false},
      {"SevenZipInHeaderDatabase", "7-ZIP32.DLL", k7z, "x.7z", [](auto& b) { return b.size() - 10; }, false, 0,
       false},
  };
  // clang-format on
}

class TruncatedTest : public ::testing::TestWithParam<Cut> {};

TEST_P(TruncatedTest, ListsTheEntriesBeforeTheCutThenEnds) {
  const Cut& cut = GetParam();
  TempDir dir;
  MakeThreeFiles(dir);
  RunIn(dir, cut.command);
  const std::string whole = ReadFile(dir / cut.made);
  const std::size_t keep = cut.keep(whole);
  ASSERT_LT(keep, whole.size());
  const std::string path = dir / "cut";
  WriteFile(path, whole.substr(0, keep));
  const ArchiverLibrary library(LibraryFor(cut.library));
  const std::vector<std::string> intact = ListArchive(library.api(), dir / cut.made).lines;
  ASSERT_GE(intact.size(), cut.entries);
  const Listing listing = ListArchive(library.api(), path);
  EXPECT_EQ(listing.opened, cut.opens);
  // Exactly the entries before the cut, as the whole archive lists them.
  EXPECT_EQ(listing.lines, std::vector<std::string>(intact.begin(), intact.begin() + cut.entries));
  EXPECT_EQ(library.api().check(path.c_str(), 0), cut.checks ? TRUE : FALSE);
}

INSTANTIATE_TEST_SUITE_P(Formats, TruncatedTest, ::testing::ValuesIn(Cuts()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
