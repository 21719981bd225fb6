// The ZIP reader that lists from the central directory alone must list what
// libarchive's reader of the same archive lists: the same names, sizes,
// times (to the second), attributes, methods and kinds, in the same order,
// for archives made by the usual tools, for the samples, and for ZIP64 and
// self-extracting layouts built byte by byte. A directory that does not read
// cleanly is refused, and the listing is then libarchive's, as before.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "libraries/core/read/Formats.h"
#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/zip/ZipCentralDirectory.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/DosTime.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/LittleEndian.h"
#include "tests/libraries/support/ZipBuilder.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {

using dv::Entry;
using dv::EntrySource;
using dv::ReadResult;

std::string KindText(dv::EntryKind kind) {
  if (kind == dv::EntryKind::kFile) return "file";
  if (kind == dv::EntryKind::kDirectory) return "dir";
  if (kind == dv::EntryKind::kSymlink) return "link";
  return "other";
}

// One line an entry, of what a listing record is made of.
std::string Line(const Entry& entry) {
  const unsigned bits = entry.permissions.value_or(0777) & 0777;
  return entry.path + " size=" + (entry.size ? std::to_string(*entry.size) : "-") +
         " time=" + (entry.modified ? std::to_string(*entry.modified) : "-") + " perm=" + std::to_string(bits) +
         " method=" + entry.method + " kind=" + KindText(entry.kind);
}

struct Walk {
  std::vector<std::string> lines;
  ReadResult end = ReadResult::kEntry;
};

Walk WalkAll(EntrySource& source) {
  Walk walk;
  Entry entry;
  while ((walk.end = source.Next(entry)) == ReadResult::kEntry) walk.lines.push_back(Line(entry));
  return walk;
}

std::shared_ptr<const dv::PositionalFile> OpenFile(const std::string& path) {
  auto file = dv::PositionalFile::Open(path.c_str());
  EXPECT_NE(file, nullptr) << path;
  return file;
}

// ---- the same listing as libarchive's ----

struct Made {
  std::string name;
  std::function<std::string(const TempDir&)> make;  // the archive's path
  // 7-Zip's NTFS times, which libarchive passes over for the DOS field
  // (TakesTheNtfsTimeBeforeTheDosTime checks them): times are not compared.
  bool ntfsTimes = false;
  friend std::ostream& operator<<(std::ostream& out, const Made& value) { return out << value.name; }
};

// Files of known times, one odd second, in a folder, for the tools to pack.
void MakeFiles(const TempDir& dir) {
  WriteFile(dir / "src/a.txt", std::string(3000, 'a'));
  WriteFile(dir / "src/d/b.txt", "bbb\n");
  WriteFile(dir / "src/d/empty", "");
  RunIn(dir,
        "cd src && touch -d '2001-05-06 10:20:31' a.txt && touch -d '1999-12-31 23:59:58' d/b.txt d/empty d"
        " && chmod 0640 a.txt");
}

std::function<std::string(const TempDir&)> Tool(const std::string& command, const std::string& made = "x.zip") {
  return [command, made](const TempDir& dir) {
    MakeFiles(dir);
    RunIn(dir, "cd src && " + command);
    return dir / ("src/" + made);
  };
}

std::function<std::string(const TempDir&)> Built(std::vector<Member> members, Layout layout) {
  return [members, layout](const TempDir& dir) {
    WriteFile(dir / "x.zip", BuildZip(members, layout));
    return dir / "x.zip";
  };
}

std::string UtExtra(std::uint32_t when) {
  std::string data(1, '\x01');
  Put32(data, when);
  return Field(0x5455, data);
}

std::vector<Made> SameAsLibArchive() {
  const std::vector<Member> two = {{"a.txt", "alpha"}, {"d/", ""}};
  Member ut{"ut.txt", "t"};
  ut.extra = UtExtra(989144431);
  Member wide{"wide.txt", "w"};
  wide.extra = UtExtra(0xF0000000u);  // past 2038: unsigned, as libarchive reads it
  Member ux{"ux.txt", "u"};
  std::string uxData;
  Put32(uxData, 1000000000);
  Put32(uxData, 1300000000);
  ux.extra = Field(0x5855, uxData);
  Member dos{"DOS.TXT", "r", (20u << 9) | (1u << 5) | 2u, 0, "", 0, 0x21};  // MS-DOS, read-only
  Member dosDir{"SUB", "", (20u << 9) | (1u << 5) | 2u, 0, "", 0, 0x10};
  Member noType{"plain", "p"};
  noType.external = 0;
  // clang-format off
  return {
      {"InfoZipWithTimeExtras", Tool("zip -q -r x.zip a.txt d")},
      {"InfoZipDosTimesOnly", Tool("zip -X -q -r x.zip a.txt d")},
      {"InfoZipStoredAndBzip2", Tool("zip -q -0 x.zip a.txt && zip -q -Z bzip2 x.zip d/b.txt")},
      {"InfoZipStreamedWithDataDescriptors", Tool("zip -q - a.txt d/b.txt > x.zip")},
      {"InfoZipFromStandardInput", Tool("cat a.txt | zip -q x.zip -")},
      {"PythonStreamedStoredWithDataDescriptors",
       Tool("python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.stdout.buffer, 'w');"
            " z.write('a.txt'); z.write('d/b.txt'); z.close()\" | cat > x.zip")},
      {"InfoZipEncrypted", Tool("zip -q -P secret x.zip a.txt d/b.txt")},
      {"InfoZipSymlink", Tool("ln -s a.txt link && zip -q -y x.zip a.txt link")},
      {"InfoZipMsdosAttributes", Tool("chmod a-w d/b.txt && zip -q -k -r x.zip a.txt d")},
      {"InfoZipComment", Tool("zip -q x.zip a.txt && printf 'a note with PK\\005\\006 in it' | zip -q -z x.zip")},
      {"InfoZipUnicodeName",
       Tool("cp a.txt \xE6\x97\xA5\xE6\x9C\xAC.txt && zip -q x.zip \xE6\x97\xA5\xE6\x9C\xAC.txt a.txt")},
      {"InfoZipSfxAdjusted",
       Tool("zip -q -r x.zip a.txt d && printf MZ > x.exe && head -c 40000 /dev/zero >> x.exe && cat x.zip >> x.exe"
            " && zip -q -A x.exe",
            "x.exe")},
      {"InfoZipSfxAsMade",
       Tool("zip -q -r x.zip a.txt d && printf MZ > x.exe && head -c 40000 /dev/zero >> x.exe && cat x.zip >> x.exe",
            "x.exe")},
      {"SevenZipDeflate64", Tool("7z a -tzip -mm=Deflate64 x.zip a.txt d > /dev/null"), true},
      {"SevenZipLzma", Tool("7z a -tzip -mm=LZMA x.zip a.txt d > /dev/null"), true},
      {"SevenZipPpmd", Tool("7z a -tzip -mm=PPMd x.zip a.txt > /dev/null"), true},
      {"SevenZipAes", Tool("7z a -tzip -psecret -mem=AES256 x.zip a.txt > /dev/null"), true},
      // zipfile flags its non-ASCII names as UTF-8.
      {"PythonUtf8JapaneseNames",
       Tool("python3 -c \"import zipfile; z = zipfile.ZipFile('x.zip', 'w'); z.write('d', '表示/');"
            " z.write('a.txt', '表示/ソフト.txt'); z.write('d/b.txt', '能.txt');"
            " z.close()\"")},
      {"InfoZipStoredWithComment", Tool("zip -q -0 x.zip a.txt d/b.txt && printf 'a note' | zip -q -z x.zip")},
      // A ZIP64 extra in the local header of an entry that needs none.
      {"PythonZip64LocalHeader",
       Tool("python3 -c \"import zipfile; z = zipfile.ZipFile('x.zip', 'w', zipfile.ZIP_DEFLATED);"
            " z.open('a.txt', 'w', force_zip64=True).write(open('a.txt', 'rb').read()); z.close()\"")},
      {"BuiltTimeFields", Built({ut, wide, ux}, {})},
      {"BuiltMsdosSystem", Built({dos, dosDir}, {})},
      {"BuiltNoFileType", Built({noType}, {})},
      {"BuiltZip64Records", Built(two, {true, "", "", 0})},
      {"BuiltZip64OffsetsInTheirFields", Built(two, {true, "", "", 0, true})},
      {"BuiltEmpty", Built({}, {false, "", "an empty archive", 0})},
  };
  // clang-format on
}

// Both readers of the row's archive.
class SameAsLibArchiveTest : public ::testing::TestWithParam<Made> {
 protected:
  void SetUp() override {
    const auto file = OpenFile(GetParam().make(dir_));
    ASSERT_NE(file, nullptr);
    directory_ = dv::OpenZipCentralDirectory(file);
    ASSERT_NE(directory_, nullptr) << "the central directory was refused";
    reference_ = dv::OpenLibArchiveSource(file, dv::Format::kZip);
    ASSERT_NE(reference_, nullptr);
  }

  TempDir dir_;
  std::unique_ptr<EntrySource> directory_, reference_;
};

TEST_P(SameAsLibArchiveTest, ListsWhatLibArchiveLists) {
  EntrySource& directory = *directory_;
  EntrySource& reference = *reference_;
  const Walk expected = WalkAll(reference);
  ASSERT_EQ(expected.end, ReadResult::kEnd) << "libarchive did not read it to its end";
  const Walk listed = WalkAll(directory);
  EXPECT_EQ(listed.end, ReadResult::kEnd);
  const auto compared = [](std::vector<std::string> lines) {
    if (GetParam().ntfsTimes)
      for (std::string& line : lines) line.erase(line.find(" time="), line.find(" perm=") - line.find(" time="));
    return lines;
  };
  EXPECT_EQ(compared(listed.lines), compared(expected.lines));
  // A second walk after a rewind lists the same.
  ASSERT_TRUE(directory.Rewind());
  EXPECT_EQ(WalkAll(directory).lines, listed.lines);
}

// Each entry's data, read from its local header on demand, is what
// libarchive's reader of the whole archive gives, and fails where that
// fails (the encrypted entries).
TEST_P(SameAsLibArchiveTest, GivesTheDataLibArchiveGives) {
  EntrySource& directory = *directory_;
  EntrySource& reference = *reference_;
  const auto data = [](EntrySource& source) {
    std::string bytes;
    const dv::DataResult result = source.ReadData([&bytes](const void* block, std::size_t size) {
      bytes.append(static_cast<const char*>(block), size);
      return true;
    });
    return std::to_string(static_cast<int>(result)) + ":" + bytes;
  };
  Entry ours, theirs;
  while (reference.Next(theirs) == ReadResult::kEntry) {
    ASSERT_EQ(directory.Next(ours), ReadResult::kEntry);
    ASSERT_EQ(ours.path, theirs.path);
    if (theirs.kind == dv::EntryKind::kFile) {
      EXPECT_EQ(data(directory), data(reference)) << ours.path;
    }
  }
  EXPECT_NE(directory.Next(ours), ReadResult::kEntry) << "more entries than libarchive gives";
}

INSTANTIATE_TEST_SUITE_P(Archives, SameAsLibArchiveTest, ::testing::ValuesIn(SameAsLibArchive()),
                         [](const auto& info) { return info.param.name; });

// ---- what only the directory gives, and layouts libarchive misreads ----

TEST(ZipCentralDirectory, GivesEachEntrysCrcAndPackedSize) {
  TempDir dir;
  const std::string text = "a line of text\n";
  WriteFile(dir / "t.txt", text);
  RunIn(dir, "zip -q -0 x.zip t.txt");
  const auto source = dv::OpenZipCentralDirectory(OpenFile(dir / "x.zip"));
  ASSERT_NE(source, nullptr);
  Entry entry;
  ASSERT_EQ(source->Next(entry), ReadResult::kEntry);
  EXPECT_EQ(entry.crc, dv::Crc32(text.data(), text.size()));
  EXPECT_EQ(entry.packedSize, text.size());
  EXPECT_EQ(entry.size, text.size());
}

// 7-Zip keeps the real moment in the NTFS field (UTC, 100 ns) and puts the
// writer's local time, rounded up to even seconds, into the DOS field; the
// listing follows the NTFS field, whatever zone wrote or reads the archive.
// Without it (Info-ZIP's -X) the DOS field stands, as stored. The file was
// last written at 2010-11-12 04:14:17 UTC.
TEST(ZipCentralDirectory, TakesTheNtfsTimeBeforeTheDosTime) {
  struct Row {
    const char* make;  // in the writer's zone
    const char* writer;
    const char* reader;
    const char* listed;
  };
  for (const Row& row : {Row{"7z a -tzip x.zip t.txt", "UTC0", "JST-9", "2010-11-12 13:14:16"},
                         Row{"7z a -tzip x.zip t.txt", "JST-9", "JST-9", "2010-11-12 13:14:16"},
                         Row{"7z a -tzip x.zip t.txt", "JST-9", "UTC0", "2010-11-12 04:14:16"},
                         Row{"7z a -tzip x.zip t.txt", "UTC0", "UTC0", "2010-11-12 04:14:16"},
                         Row{"zip -q -X x.zip t.txt", "JST-9", "UTC0", "2010-11-12 13:14:18"}}) {
    SCOPED_TRACE(std::string(row.make) + " in " + row.writer + ", read in " + row.reader);
    TempDir dir;
    WriteFile(dir / "t.txt", "time\n");
    RunIn(dir, "touch -d '2010-11-12 04:14:17 UTC' t.txt && TZ=" + std::string(row.writer) + " " + row.make +
                   " > /dev/null");
    const ArchiverLibrary unzip(LibraryFor("UNZIP32.DLL"));
    std::string listed;
    {
      const ScopedEnvironment zone("TZ", row.reader);
      tzset();
      listed = NewestText(ListArchive(unzip.api(), dir / "x.zip").records);
    }
    tzset();
    EXPECT_EQ(listed, row.listed);
  }
}

TEST(ZipCentralDirectory, ReadsZip64BehindAStubWhoseOffsetsCountFromTheArchive) {
  TempDir dir;
  Member member{"inner.txt", "zip64 inside a self-extractor"};
  member.extra = UtExtra(989144430);
  WriteFile(dir / "x.exe", BuildZip({member, {"d/", ""}}, {true, Stub(5000), "", 0}));
  const auto source = dv::OpenZipCentralDirectory(OpenFile(dir / "x.exe"));
  ASSERT_NE(source, nullptr);
  const Walk walk = WalkAll(*source);
  EXPECT_EQ(walk.end, ReadResult::kEnd);
  EXPECT_EQ(walk.lines, (std::vector<std::string>{"inner.txt size=29 time=989144430 perm=420 method=stored kind=file",
                                                  "d/ size=0 time=" + std::to_string(*dv::FromDosStamp(kMemberStamp)) +
                                                      " perm=493 method=stored kind=dir"}));
}

TEST(ZipCentralDirectory, TakesTheUnicodeNameOnlyWhenItMatchesTheHeadersName) {
  const std::string sjis = "\x93\xFA\x96\x7B.txt";  // 日本.txt in Shift-JIS
  const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC.txt";
  const std::string other = "\xE5\x88\xA5.txt";  // 別.txt
  auto unicode = [&](std::uint32_t crc, const std::string& name) {
    std::string data(1, '\x01');
    Put32(data, crc);
    return Field(0x7075, data + name);
  };
  Member matching{"x.txt", "m"}, stale{sjis, "s"};
  matching.extra = unicode(dv::Crc32("x.txt", 5), utf8);
  // A field left from before a rename: the header's own name is read as
  // text (CP932 here), the field's name is not taken.
  stale.extra = unicode(0x12345678, other);
  TempDir dir;
  WriteFile(dir / "x.zip", BuildZip({matching, stale}, {}));
  const auto source = dv::OpenZipCentralDirectory(OpenFile(dir / "x.zip"));
  ASSERT_NE(source, nullptr);
  Entry first, second;
  ASSERT_EQ(source->Next(first), ReadResult::kEntry);
  ASSERT_EQ(source->Next(second), ReadResult::kEntry);
  EXPECT_EQ(first.path, utf8);
  EXPECT_EQ(second.path, utf8);
}

// ---- damaged directories are refused, and the listing reads local headers ----

struct Damage {
  std::string name;
  std::function<std::string(const std::string&)> apply;  // to a sound archive of three members
  std::size_t listed;                                    // entries the local headers then give
  friend std::ostream& operator<<(std::ostream& out, const Damage& value) { return out << value.name; }
};

std::size_t Find(const std::string& bytes, const std::string& what, std::size_t nth) {
  std::size_t at = bytes.find(what);
  while (nth-- > 0 && at != std::string::npos) at = bytes.find(what, at + 1);
  return at;
}

std::vector<Damage> Damages() {
  // clang-format off
  return {
      // libarchive still trusts the end record here, and its reader stops at
      // the same bad record: nothing is listed, as before.
      {"SecondRecordSignature", [](std::string b) { return b.replace(Find(b, "PK\x01\x02", 1), 4, "XXXX"); }, 0},
      {"RecordNameRunsPastTheDirectory",
       [](std::string b) { return b.replace(Find(b, "PK\x01\x02", 2) + 28, 2, "\xFF\x00", 2); }, 0},
      {"CountSaysMore", [](std::string b) { return b.replace(Find(b, "PK\x05\x06", 0) + 10, 1, "\x04", 1); }, 3},
      {"DirectoryLongerThanTheFile",
       [](std::string b) { return b.replace(Find(b, "PK\x05\x06", 0) + 12, 4, "\xFF\xFF\x00\x00", 4); }, 3},
      {"SecondVolume", [](std::string b) { return b.replace(Find(b, "PK\x05\x06", 0) + 4, 1, "\x01", 1); }, 3},
      {"NoEndRecord", [](std::string b) { return b.substr(0, Find(b, "PK\x05\x06", 0)); }, 3},
      {"CutInTheDirectory", [](std::string b) { return b.substr(0, Find(b, "PK\x01\x02", 1) + 20); }, 3},
  };
  // clang-format on
}

class DamagedDirectoryTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedDirectoryTest, IsRefusedAndTheListingIsLibArchivesAsBefore) {
  TempDir dir;
  const std::string sound = BuildZip({{"f1", "one"}, {"f2", "two"}, {"f3", "three"}}, {});
  WriteFile(dir / "x.zip", GetParam().apply(sound));
  const auto file = OpenFile(dir / "x.zip");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(dv::OpenZipCentralDirectory(file), nullptr);
  const auto listing = dv::OpenSource(file, dv::Format::kZip, dv::ReadFor::kListing);
  const auto reference = dv::OpenLibArchiveSource(file, dv::Format::kZip);
  ASSERT_NE(listing, nullptr);
  ASSERT_NE(reference, nullptr);
  const Walk listed = WalkAll(*listing);
  EXPECT_EQ(listed.lines, WalkAll(*reference).lines);
  EXPECT_EQ(listed.lines.size(), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(Zip, DamagedDirectoryTest, ::testing::ValuesIn(Damages()),
                         [](const auto& info) { return info.param.name; });

TEST(ZipCentralDirectory, IsWhatASoundZipListsThrough) {
  TempDir dir;
  WriteFile(dir / "x.zip", BuildZip({{"f1", "one"}}, {}));
  const auto listing = dv::OpenSource(OpenFile(dir / "x.zip"), dv::Format::kZip, dv::ReadFor::kListing);
  ASSERT_NE(listing, nullptr);
  Entry entry;
  ASSERT_EQ(listing->Next(entry), ReadResult::kEntry);
  EXPECT_EQ(entry.crc, dv::Crc32("one", 3)) << "only the directory reader gives the CRC";
  std::string data;
  EXPECT_EQ(listing->ReadData([&data](const void* bytes, std::size_t size) {
    data.append(static_cast<const char*>(bytes), size);
    return true;
  }),
            dv::DataResult::kDone);
  EXPECT_EQ(data, "one");
}

}  // namespace
