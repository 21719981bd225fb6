// The compressed-tar reader that unpacks once must list what libarchive's
// own tar reader lists on the same file, entry for entry and to the same
// end, and must take exactly the files the tar probe calls compressed tars.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "libraries/core/read/Formats.h"
#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/read/PackedTarSource.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/TarProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

using dv::Entry;
using dv::ReadResult;

std::string Line(const Entry& e) {
  auto text = [](const auto& value) { return value ? std::to_string(*value) : std::string("-"); };
  return e.path + " size=" + text(e.size) + " mtime=" + text(e.modified) + " atime=" + text(e.accessed) +
         " perm=" + text(e.permissions) + " kind=" + std::to_string(static_cast<int>(e.kind)) +
         " link=" + e.linkTarget + " method=" + e.method;
}

struct Walk {
  std::vector<std::string> lines;
  ReadResult end = ReadResult::kEntry;
  friend bool operator==(const Walk&, const Walk&) = default;
};

Walk WalkAll(dv::EntrySource& source) {
  Walk walk;
  Entry entry;
  while ((walk.end = source.Next(entry)) == ReadResult::kEntry) walk.lines.push_back(Line(entry));
  return walk;
}

void MakeTree(const TempDir& dir) {
  WriteFile(dir / "t/a.txt", std::string(3000, 'a'));
  WriteFile(dir / "t/d/b.txt", "b\n");
  WriteFile(dir / ("t/d/" + std::string(120, 'n') + ".txt"), "long name\n");
  RunIn(dir,
        "cd t && ln -s a.txt link && ln a.txt hard && touch -d '2001-05-06 10:20:31' a.txt"
        " && touch -d '1999-12-31 23:59:58' d/b.txt d");
}

struct Packed {
  std::string name;
  std::string command;  // run in t/, makes ../x
  friend std::ostream& operator<<(std::ostream& out, const Packed& value) { return out << value.name; }
};

class PackedTarTest : public ::testing::TestWithParam<Packed> {};

TEST_P(PackedTarTest, ListsWhatLibArchivesTarReaderLists) {
  TempDir dir;
  MakeTree(dir);
  RunIn(dir, "cd t && " + GetParam().command);
  const auto file = dv::PositionalFile::Open((dir / "x").c_str());
  ASSERT_NE(file, nullptr);
  const auto packed = dv::OpenPackedTarSource(file);
  ASSERT_NE(packed, nullptr);
  const auto reference = dv::OpenLibArchiveSource(file, dv::Format::kTar);
  ASSERT_NE(reference, nullptr);
  const Walk expected = WalkAll(*reference);
  EXPECT_EQ(expected.end, ReadResult::kEnd);
  EXPECT_GE(expected.lines.size(), 4u);
  EXPECT_EQ(WalkAll(*packed), expected);
  ASSERT_TRUE(packed->Rewind());
  EXPECT_EQ(WalkAll(*packed), expected) << "after a rewind";
}

INSTANTIATE_TEST_SUITE_P(Tars, PackedTarTest,
                         ::testing::Values(Packed{"GnuGzip", "tar czf ../x ."}, Packed{"GnuBzip2", "tar cjf ../x ."},
                                           Packed{"PaxGzip", "tar --format=pax -czf ../x ."},
                                           Packed{"V7Bzip2", "tar --format=v7 -cjf ../x a.txt d/b.txt link hard"},
                                           Packed{"BsdtarGzip", "bsdtar czf ../x ."},
                                           // Several bzip2 blocks: the first one decides, the others follow.
                                           Packed{"Bzip2SmallBlocks",
                                                  "head -c 300000 /dev/urandom > r && tar -I 'bzip2 -1' -cf ../x ."}),
                         [](const auto& info) { return info.param.name; });

TEST(PackedTar, DataReadsThroughTheSameUnpacking) {
  TempDir dir;
  WriteFile(dir / "t/a.txt", "alpha\n");
  RunIn(dir, "cd t && tar cjf ../x a.txt");
  const auto packed = dv::OpenPackedTarSource(dv::PositionalFile::Open((dir / "x").c_str()));
  ASSERT_NE(packed, nullptr);
  Entry entry;
  ASSERT_EQ(packed->Next(entry), ReadResult::kEntry);
  std::string data;
  EXPECT_EQ(packed->ReadData([&](const void* bytes, std::size_t size) {
    data.append(static_cast<const char*>(bytes), size);
    return true;
  }),
            dv::DataResult::kDone);
  EXPECT_EQ(data, "alpha\n");
}

// Whatever the probe calls no compressed tar is left to the readers it
// picks, and the listing is theirs.
struct NotPacked {
  std::string name;
  std::string command;  // makes x in the folder
  dv::TarType probe;
  friend std::ostream& operator<<(std::ostream& out, const NotPacked& value) { return out << value.name; }
};

class NotPackedTest : public ::testing::TestWithParam<NotPacked> {};

TEST_P(NotPackedTest, IsLeftToTheProbesReaders) {
  TempDir dir;
  WriteFile(dir / "a.txt", std::string(2000, 'z'));
  RunIn(dir, GetParam().command);
  const auto file = dv::PositionalFile::Open((dir / "x").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(dv::ProbeTarType(file), GetParam().probe);
  EXPECT_EQ(dv::OpenPackedTarSource(file), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, NotPackedTest,
    ::testing::Values(NotPacked{"PlainTar", "tar cf x a.txt", dv::kTarPlain},
                      NotPacked{"GzipOfText", "gzip -c a.txt > x", dv::kGzipOnly},
                      NotPacked{"Bzip2OfText", "bzip2 -c a.txt > x", dv::kBzip2Only},
                      NotPacked{"GzipOfAGzippedTar", "tar czf - a.txt | gzip -c > x", dv::kGzipOnly},
                      NotPacked{"GzipShorterThanATarBlock", "printf abc | gzip -c > x", dv::kGzipOnly},
                      NotPacked{"NotCompressed", "cp a.txt x", dv::kTarOther}),
    [](const auto& info) { return info.param.name; });

TEST(PackedTar, ACutArchiveListsWhatLibArchiveListsAndEndsBroken) {
  TempDir dir;
  for (const char* name : {"g1", "g2", "g3"}) {
    RunIn(dir, std::string("head -c 200000 /dev/urandom > ") + name);
  }
  RunIn(dir, "tar czf whole g1 g2 g3 && head -c $(( $(stat -c %s whole) / 2 )) whole > x");
  const auto file = dv::PositionalFile::Open((dir / "x").c_str());
  ASSERT_NE(file, nullptr);
  const auto packed = dv::OpenSource(file, dv::Format::kTar, dv::ReadFor::kListing);
  const auto reference = dv::OpenLibArchiveSource(file, dv::Format::kTar);
  ASSERT_NE(packed, nullptr);
  ASSERT_NE(reference, nullptr);
  const Walk walk = WalkAll(*packed);
  EXPECT_EQ(walk, WalkAll(*reference));
  EXPECT_EQ(walk.end, ReadResult::kBroken);
  EXPECT_EQ(walk.lines.size(), 2u);
}

}  // namespace
