// The 7z listing read from the header alone must give, for archives p7zip
// and our own library make, what libarchive's reader of the whole archive
// gives: the same names, sizes, times, modes, kinds and methods in the same
// order, and each entry's CRC as stored, which is the CRC of the data
// libarchive unpacks. A header whose bytes or counts do not hold together is
// refused, and the listing is then libarchive's.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "libraries/core/read/Formats.h"
#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/sevenzip/SevenZipHeader.h"
#include "libraries/core/read/sevenzip/SevenZipListing.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/LittleEndian.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace {

using dv::Entry;
using dv::EntrySource;
using dv::ReadResult;

const std::string k7z = "LC_ALL=C.UTF-8 7z";

std::string KindText(dv::EntryKind kind) {
  switch (kind) {
    case dv::EntryKind::kFile: return "file";
    case dv::EntryKind::kDirectory: return "dir";
    case dv::EntryKind::kSymlink: return "link";
    default: return "other";
  }
}

std::string Optional(const std::optional<std::time_t>& value) { return value ? std::to_string(*value) : "-"; }

std::string Line(const Entry& entry) {
  return entry.path + " size=" + (entry.size ? std::to_string(*entry.size) : "-") +
         " mtime=" + Optional(entry.modified) + " atime=" + Optional(entry.accessed) +
         " ctime=" + Optional(entry.created) + " perm=" + std::to_string(entry.permissions.value_or(07777) & 07777) +
         " kind=" + KindText(entry.kind) + " method=" + entry.method +
         " readable=" + std::to_string(entry.dataReadable) + " encrypted=" + std::to_string(entry.encrypted);
}

std::vector<std::string> Lines(EntrySource& source) {
  std::vector<std::string> lines;
  Entry entry;
  while (source.Next(entry) == ReadResult::kEntry) lines.push_back(Line(entry));
  return lines;
}

// Files of every kind the format stores: text that packs, bytes that do
// not, an empty file, an empty folder, a read-only file, a link, Japanese
// names, and odd times.
void MakeSource(const TempDir& dir) {
  std::string noise;
  for (unsigned n = 1; noise.size() < 20000; n = n * 1103515245 + 12345) noise += static_cast<char>(n >> 16);
  MakeFiles(dir, {{"a.txt", std::string(3000, 'a')},
                  {"empty", ""},
                  {"表ソ能/日本語.txt", "nihongo\n"},
                  {"d/noise.bin", noise},
                  {"d/ro.txt", "read only\n"}});
  RunIn(dir,
        "cd src && mkdir hollow && ln -s a.txt link && chmod 0444 d/ro.txt && chmod 0750 d"
        " && touch -h -d '2001-02-03 04:05:06.7' a.txt empty link && touch -d '2003-04-05 06:07:11' 表ソ能/日本語.txt"
        " && touch -d '1999-12-31 23:59:59' d/noise.bin d/ro.txt d 表ソ能 hollow");
}

struct Made {
  std::string name;
  std::string make;  // run in src/, makes ../x.7z
  friend std::ostream& operator<<(std::ostream& out, const Made& value) { return out << value.name; }
};

std::string P7zip(const std::string& switches, const std::string& link = " link") {
  return k7z + " a -bd " + switches + " ../x.7z a.txt empty 表ソ能 d hollow" + link + " > /dev/null";
}

std::vector<Made> MadeArchives() {
  return {
      {"SolidLzma2PackedHeader", P7zip("")},
      {"NotSolid", P7zip("-ms=off")},
      {"Stored", P7zip("-mx=0")},
      {"PlainHeader", P7zip("-mhc=off")},
      {"LzmaHeaderAndData", P7zip("-m0=LZMA")},
      {"Ppmd", P7zip("-m0=PPMd")},
      {"Bzip2", P7zip("-m0=BZip2")},
      {"Deflate", P7zip("-m0=Deflate")},
      {"X86FilterThenLzma", P7zip("-mf=BCJ")},
      {"Bcj2", P7zip("-mf=BCJ2")},
      {"Delta", P7zip("-m0=Delta:4 -m1=LZMA2")},
      // libarchive reads a link's target from its data while it lists, so its
      // listing ends at a link whose data it cannot unpack; ours goes on.
      {"Arm64Filter", P7zip("-mf=ARM64", "")},
      {"EveryTime", P7zip("-mtc=on -mta=on")},
      {"NoTimes", P7zip("-mtm=off")},
      {"EncryptedData", P7zip("-psecret", "")},
      {"OneFileOnly", k7z + " a -bd ../x.7z a.txt > /dev/null"},
      {"FoldersOnly",
       k7z + " a -bd ../x.7z hollow 表ソ能 > /dev/null && " + k7z + " d -bd ../x.7z 表ソ能/日本語.txt > /dev/null"},
      {"Empty", k7z + " a -bd ../x.7z a.txt > /dev/null && " + k7z + " d -bd ../x.7z a.txt > /dev/null"},
      {"ManySolidBlocks", P7zip("-ms=2f")},
      {"ByOurLibrary", "@7-ZIP32.DLL"},
      // Self-extractors: p7zip's own (an ELF stub), and a DOS stub holding a
      // bare signature and a start header whose CRC holds but whose header
      // is nowhere, before the real archive.
      {"P7zipSelfExtractor", P7zip("-sfx/usr/lib/p7zip/7zCon.sfx")},
      {"DosStubWithDecoys",
       P7zip("") + " && python3 -c \"import sys, zlib, struct\n"
                   "tail = struct.pack('<QQI', 1 << 40, 99, 0)\n"
                   "decoy = b'7z\\xbc\\xaf\\x27\\x1c\\x00\\x04' + struct.pack('<I', zlib.crc32(tail)) + tail\n"
                   "stub = b'MZ' + bytes(3000) + b'7z\\xbc\\xaf\\x27\\x1c' + bytes(500) + decoy + bytes(700)\n"
                   "data = open('../x.7z', 'rb').read()\n"
                   "open('../x.7z', 'wb').write(stub + data)\""},
  };
}

class SevenZipHeaderTest : public ::testing::TestWithParam<Made> {
 protected:
  void SetUp() override {
    MakeSource(dir_);
    if (GetParam().make.front() == '@') {
      const ArchiverLibrary library(LibraryFor(GetParam().make.substr(1)));
      const CommandRun run =
          RunLine(library, "SevenZip",
                  "a -y \"" + (dir_ / "x.7z") + "\" \"" + (dir_ / "src") + "/\" a.txt empty 表ソ能 d hollow");
      ASSERT_EQ(run.code, code::kOk) << run.report;
    } else {
      RunIn(dir_, "cd src && " + GetParam().make);
    }
    file_ = dv::PositionalFile::Open((dir_ / "x.7z").c_str());
    ASSERT_NE(file_, nullptr);
  }

  TempDir dir_;
  std::shared_ptr<const dv::PositionalFile> file_;
};

TEST_P(SevenZipHeaderTest, ListsWhatLibArchiveLists) {
  const auto header = dv::OpenSevenZipListing(file_);
  ASSERT_NE(header, nullptr) << "the header was refused";
  const auto reference = dv::OpenLibArchiveSource(file_, dv::Format::kSevenZip);
  ASSERT_NE(reference, nullptr);
  const std::vector<std::string> expected = Lines(*reference);
  EXPECT_EQ(Lines(*header), expected);
  ASSERT_TRUE(header->Rewind());
  EXPECT_EQ(Lines(*header), expected) << "a second walk";
  // The listing for the libraries is this one.
  const auto listing = dv::OpenSource(file_, dv::Format::kSevenZip, dv::ReadFor::kListing);
  ASSERT_NE(listing, nullptr);
  EXPECT_EQ(Lines(*listing), expected);
}

// Each file's stored CRC is that of the data libarchive unpacks, and that
// data comes through the header's listing too, in any order of asking.
TEST_P(SevenZipHeaderTest, GivesStoredCrcsAndTheDataBehindThem) {
  const auto header = dv::OpenSevenZipListing(file_);
  ASSERT_NE(header, nullptr);
  std::vector<Entry> entries;
  for (Entry entry; header->Next(entry) == ReadResult::kEntry;) entries.push_back(entry);
  const auto dataOf = [&](std::size_t index) {
    EXPECT_TRUE(header->Rewind());
    Entry entry;
    for (std::size_t i = 0; i <= index; ++i) EXPECT_EQ(header->Next(entry), ReadResult::kEntry);
    std::string bytes;
    const dv::DataResult result = header->ReadData([&bytes](const void* data, std::size_t size) {
      bytes.append(static_cast<const char*>(data), size);
      return true;
    });
    return std::make_pair(result, bytes);
  };
  for (std::size_t k = entries.size(); k-- > 0;) {  // last first: the data reader goes back
    const Entry& entry = entries[k];
    SCOPED_TRACE(entry.path);
    if (entry.kind != dv::EntryKind::kFile || !entry.dataReadable || entry.encrypted) continue;
    const auto [result, bytes] = dataOf(k);
    ASSERT_EQ(result, dv::DataResult::kDone);
    EXPECT_EQ(bytes, ReadFile(dir_ / ("src/" + entry.path)));
    if (bytes.empty()) {
      EXPECT_FALSE(entry.crc) << "an empty file has no data to check";
    } else {
      EXPECT_EQ(entry.crc, dv::Crc32(bytes.data(), bytes.size()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, SevenZipHeaderTest, ::testing::ValuesIn(MadeArchives()),
                         [](const auto& info) { return info.param.name; });

// ---- headers that do not hold together ----

std::string Solid(const TempDir& dir, const std::string& switches) {
  MakeSource(dir);
  RunIn(dir, "cd src && " + P7zip(switches));
  return ReadFile(dir / "x.7z");
}

// The start header's CRC over its 20 bytes after it, after a change there.
void MendStart(std::string& bytes) {
  auto* start = reinterpret_cast<unsigned char*>(bytes.data());
  const std::uint32_t crc = dv::Crc32(start + 12, 20);
  for (int i = 0; i < 4; ++i) start[8 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

// The header's own CRC in the start header, after a change in the header.
void MendHeader(std::string& bytes) {
  auto* start = reinterpret_cast<unsigned char*>(bytes.data());
  const std::uint64_t offset = dv::Le64(start + 12), size = dv::Le64(start + 20);
  const std::uint32_t crc = dv::Crc32(start + 32 + offset, size);
  for (int i = 0; i < 4; ++i) start[28 + i] = static_cast<unsigned char>(crc >> (8 * i));
  MendStart(bytes);
}

struct Damage {
  std::string name;
  std::string switches;  // of p7zip
  std::function<void(std::string&)> apply;
  friend std::ostream& operator<<(std::ostream& out, const Damage& value) { return out << value.name; }
};

std::size_t HeaderAt(const std::string& bytes) {
  return 32 + dv::Le64(reinterpret_cast<const unsigned char*>(bytes.data()) + 12);
}

std::vector<Damage> Damages() {
  // clang-format off
  return {
      {"StartHeaderCrc", "", [](std::string& b) { b[8] = static_cast<char>(b[8] ^ 1); }},
      {"HeaderCrc", "-mhc=off", [](std::string& b) { b[HeaderAt(b) + 3] ^= 0x40; }},
      // The header's size runs past the file's end.
      {"HeaderPastTheEnd", "-mhc=off",
       [](std::string& b) {
         b[20] = static_cast<char>(b[20] + 1);
         MendStart(b);
       }},
      // The packed header's bytes changed: the unpacked header fails its CRC
      // (or the decoder refuses it).
      {"PackedHeaderData", "",
       [](std::string& b) {
         b[HeaderAt(b) - 5] ^= 0x10;
       }},
      // The number of files claims more than the header's bytes can hold.
      {"FileCountPastTheHeader", "-mhc=off",
       [](std::string& b) {
         const std::size_t at = b.find('\x05', HeaderAt(b) + 1);  // kFilesInfo
         ASSERT_NE(at, std::string::npos);
         b.replace(at + 1, 1, "\xC0\xFF\xFF", 3);  // a three-byte number: 0x3FFFFF... files
         b[20] = static_cast<char>(b[20] + 2);
         MendHeader(b);
       }},
      // The archive is cut inside its header.
      {"CutShort", "", [](std::string& b) { b.resize(b.size() - 7); }},
  };
  // clang-format on
}

class SevenZipHeaderDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(SevenZipHeaderDamageTest, IsRefusedAndTheListingIsLibArchives) {
  TempDir dir;
  std::string bytes = Solid(dir, GetParam().switches);
  GetParam().apply(bytes);
  WriteFile(dir / "bad.7z", bytes);
  const auto file = dv::PositionalFile::Open((dir / "bad.7z").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(dv::ReadSevenZipHeader(*file, 0));
  EXPECT_EQ(dv::OpenSevenZipListing(file), nullptr);
  // What the libraries list is what libarchive makes of it, as before.
  const auto listing = dv::OpenSource(file, dv::Format::kSevenZip, dv::ReadFor::kListing);
  const auto reference = dv::OpenLibArchiveSource(file, dv::Format::kSevenZip);
  ASSERT_EQ(listing == nullptr, reference == nullptr);
  if (listing) {
    EXPECT_EQ(Lines(*listing), Lines(*reference));
  }
}

INSTANTIATE_TEST_SUITE_P(Headers, SevenZipHeaderDamageTest, ::testing::ValuesIn(Damages()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
