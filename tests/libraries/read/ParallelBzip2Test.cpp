// bzip2 unpacked block by block on threads must give exactly the bytes
// libarchive's own one-thread filter gives, on every shape of file: blocks
// ending at each bit offset, several streams, magics that occur by chance
// inside a block; and it must fail where that filter fails, never skipping
// a block in silence. The block finder must find every magic a bit-by-bit
// search finds, whatever its chunks.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "libraries/core/read/Formats.h"
#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/TarProbe.h"
#include "libraries/core/read/bzip2/Bzip2BlockFinder.h"
#include "libraries/core/read/bzip2/ParallelBzip2.h"
#include "tests/support/TempDir.h"

namespace {

using dv::Bzip2Marker;
using dv::Bzip2MarkerKind;

// ---- fixtures

// Text of words and numbers, as a tar of documents would hold.
std::string Words(unsigned seed, std::size_t size) {
  static const char* const kWords[] = {"archive", "block",  "stream", "entry", "header", "time",
                                       "date",    "folder", "name",   "data",  "the",    "of"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    text += kWords[random() % std::size(kWords)];
    text += random() % 7 == 0 ? std::to_string(random() % 100000) + "\n" : " ";
  }
  text.resize(size);
  return text;
}

// Bytes drawn only from `alphabet`, never four alike in a row: bzip2 writes
// such a run's length as a byte of its own, which would add a byte value.
std::string Drawn(unsigned seed, std::size_t size, const std::string& alphabet) {
  std::mt19937 random(seed);
  std::string bytes;
  while (bytes.size() < size) {
    const char c = alphabet[random() % alphabet.size()];
    const std::size_t n = bytes.size();
    if (n >= 3 && bytes[n - 1] == c && bytes[n - 2] == c && bytes[n - 3] == c) continue;
    bytes += c;
  }
  return bytes;
}

// A block's header holds, right after its CRC, origin pointer and a 16-bit
// map of which sixteens of byte values occur, then a 16-bit map for each
// sixteen that does. Data made of the right byte values spells any 48 bits
// there: the first 16 are the outer map, the next 32 the first two inner maps.
std::string AlphabetSpelling(std::uint64_t magic) {
  const unsigned outer = magic >> 32 & 0xFFFF;
  const unsigned inner[2] = {static_cast<unsigned>(magic >> 16 & 0xFFFF), static_cast<unsigned>(magic & 0xFFFF)};
  std::string alphabet;
  int used = 0;
  for (unsigned sixteen = 0; sixteen < 16; ++sixteen) {
    if ((outer >> (15 - sixteen) & 1) == 0) continue;
    const unsigned map = used < 2 ? inner[used] : 0x8000;  // later sixteens: one value each
    ++used;
    for (unsigned low = 0; low < 16; ++low)
      if ((map >> (15 - low) & 1) != 0) alphabet += static_cast<char>(sixteen * 16 + low);
  }
  return alphabet;
}

std::uint64_t BitsAt(const std::string& bytes, std::uint64_t bit, unsigned count) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < count; ++i, ++bit)
    value = value << 1 | (static_cast<unsigned char>(bytes[bit / 8]) >> (7 - bit % 8) & 1);
  return value;
}

// Every magic, one bit position after another.
std::vector<Bzip2Marker> MarkersBitByBit(const std::string& bytes) {
  std::vector<Bzip2Marker> found;
  for (std::uint64_t bit = 0; bit + 48 <= 8 * bytes.size(); ++bit) {
    const std::uint64_t value = BitsAt(bytes, bit, 48);
    if (value == dv::kBzip2BlockMagic) found.push_back({bit, Bzip2MarkerKind::kBlock});
    if (value == dv::kBzip2EndMagic) found.push_back({bit, Bzip2MarkerKind::kEnd});
  }
  return found;
}

std::string PrintMarkers(const std::vector<Bzip2Marker>& markers) {
  std::string text;
  for (const Bzip2Marker& m : markers)
    text += std::to_string(m.bit) + (m.kind == Bzip2MarkerKind::kBlock ? "b " : "e ");
  return text;
}

// ---- the two ways to unpack

struct Unpacked {
  std::string bytes;
  bool complete = false;
};

// libarchive's own bzip2 filter: the one-thread path.
Unpacked OneThread(const std::string& path) {
  Unpacked out;
  dv::LibArchiveReader reader;
  struct archive_entry* header = nullptr;
  if (!reader.Open(dv::PositionalFile::Open(path.c_str()), 0, dv::LibArchiveReader::kNoLimit,
                   dv::RawUnpackSetup(dv::kBzip2Only)) ||
      archive_read_next_header(reader.get(), &header) != ARCHIVE_OK)
    return out;
  bool fatal = false;  // one entry: nothing is asked after it either way
  out.complete = dv::CopyArchiveData(
                     reader.get(),
                     [&](const void* data, std::size_t size) {
                       out.bytes.append(static_cast<const char*>(data), size);
                       return true;
                     },
                     fatal) == dv::DataResult::kDone;
  return out;
}

Unpacked Threaded(const std::string& path, unsigned threads) {
  Unpacked out;
  dv::ParallelBzip2 unpacked(dv::PositionalFile::Open(path.c_str()), threads);
  const char* data = nullptr;
  std::size_t size = 0;
  dv::ParallelBzip2::Read read;
  while ((read = unpacked.Next(data, size)) == dv::ParallelBzip2::Read::kData) out.bytes.append(data, size);
  out.complete = read == dv::ParallelBzip2::Read::kEnd;
  if (!out.complete) {
    EXPECT_FALSE(unpacked.error().empty());
  }
  return out;
}

constexpr unsigned kThreadCounts[] = {0, 1, 2, 3};

void ExpectSameAsOneThread(const std::string& path, const std::string& original) {
  const Unpacked reference = OneThread(path);
  ASSERT_TRUE(reference.complete);
  ASSERT_EQ(reference.bytes.size(), original.size());
  ASSERT_TRUE(reference.bytes == original);
  for (unsigned threads : kThreadCounts) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    const Unpacked threaded = Threaded(path, threads);
    EXPECT_TRUE(threaded.complete);
    EXPECT_EQ(threaded.bytes.size(), original.size());
    EXPECT_TRUE(threaded.bytes == original);
  }
}

// ---- the finder

TEST(Bzip2BlockFinder, FindsEveryMagicAtEveryBitOffsetAndAcrossChunks) {
  std::mt19937 random(7);
  std::string bytes(900, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  // Plants a magic MSB first at a bit.
  const auto plant = [&bytes](std::uint64_t bit, std::uint64_t magic) {
    for (unsigned i = 0; i < 48; ++i, ++bit) {
      const unsigned char mask = static_cast<unsigned char>(0x80 >> bit % 8);
      if ((magic >> (47 - i) & 1) != 0)
        bytes[bit / 8] = static_cast<char>(bytes[bit / 8] | mask);
      else
        bytes[bit / 8] = static_cast<char>(bytes[bit / 8] & ~mask);
    }
  };
  std::vector<Bzip2Marker> planted;
  for (unsigned shift = 0; shift < 8; ++shift) {
    planted.push_back({100 + 160 * shift + shift, Bzip2MarkerKind::kBlock});
    planted.push_back({180 + 160 * shift + shift, Bzip2MarkerKind::kEnd});
  }
  // Overlapping ones (an end magic's last bits start another) and one that
  // ends with the last bit.
  planted.push_back({5000, Bzip2MarkerKind::kEnd});
  planted.push_back({5046, Bzip2MarkerKind::kBlock});
  planted.push_back({8 * 900 - 48, Bzip2MarkerKind::kBlock});
  for (const Bzip2Marker& m : planted)
    plant(m.bit, m.kind == Bzip2MarkerKind::kBlock ? dv::kBzip2BlockMagic : dv::kBzip2EndMagic);
  // The overlap is only real if planting the second kept the first.
  const std::vector<Bzip2Marker> expected = MarkersBitByBit(bytes);
  ASSERT_EQ(PrintMarkers(expected), PrintMarkers(planted));

  std::vector<Bzip2Marker> found;
  dv::FindBzip2Markers({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, bytes.size(), 0, found);
  EXPECT_EQ(PrintMarkers(found), PrintMarkers(expected));

  const TempDir dir;
  WriteFile(dir / "x", bytes);
  for (std::size_t chunk : {1, 2, 3, 5, 6, 7, 8, 13, 64, 4096}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    dv::Bzip2BlockFinder finder(dv::PositionalFile::Open((dir / "x").c_str()), chunk);
    std::vector<Bzip2Marker> chunked;
    while (const auto marker = finder.Next()) chunked.push_back(*marker);
    EXPECT_FALSE(finder.failed());
    EXPECT_EQ(PrintMarkers(chunked), PrintMarkers(expected));
  }
}

// ---- unpacking

// Text at level 1 (100 kB blocks) in sizes that make the blocks end at every
// bit offset within a byte.
TEST(ParallelBzip2, BlocksEndingAtEveryBitOffsetUnpackAsInOneThread) {
  const TempDir dir;
  std::set<unsigned> offsets;
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string text = Words(seed, 250000 + 7919 * seed);
    WriteFile(dir / "x", text);
    RunIn(dir, "bzip2 -1 -c x > x.bz2");
    const std::string packed = ReadFile(dir / "x.bz2");
    for (const Bzip2Marker& m : MarkersBitByBit(packed))
      if (m.bit > 32) offsets.insert(m.bit % 8);
    ExpectSameAsOneThread(dir / "x.bz2", text);
  }
  EXPECT_EQ(offsets.size(), 8u) << "the sizes no longer reach every offset; vary them";
}

struct Shape {
  std::string name;
  std::string command;   // run in a folder holding a and b (text), makes x.bz2 from them
  std::string original;  // what x.bz2 holds: "a", "ab"
  friend std::ostream& operator<<(std::ostream& out, const Shape& value) { return out << value.name; }
};

class Bzip2ShapeTest : public ::testing::TestWithParam<Shape> {};

TEST_P(Bzip2ShapeTest, UnpacksAsInOneThread) {
  const TempDir dir;
  const std::string a = Words(11, 330000), b = Words(12, 170000);
  WriteFile(dir / "a", a);
  WriteFile(dir / "b", b);
  RunIn(dir, GetParam().command);
  const auto file = dv::PositionalFile::Open((dir / "x.bz2").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(dv::HasSeveralBzip2Blocks(file));
  ExpectSameAsOneThread(dir / "x.bz2", GetParam().original == "ab" ? a + b : a);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Bzip2ShapeTest,
    ::testing::Values(
        Shape{"TwoStreams", "bzip2 -1 -c a > a.bz2 && bzip2 -1 -c b > b.bz2 && cat a.bz2 b.bz2 > x.bz2", "ab"},
        Shape{"StreamsOfOneBlockEach", "bzip2 -9 -c a > a.bz2 && bzip2 -9 -c b > b.bz2 && cat a.bz2 b.bz2 > x.bz2",
              "ab"},
        Shape{"EmptyStreamBetween",
              "bzip2 -1 -c a > a.bz2 && bzip2 -c < /dev/null > e.bz2 && bzip2 -2 -c b > b.bz2 && "
              "cat a.bz2 e.bz2 b.bz2 > x.bz2",
              "ab"},
        Shape{"Lbzip2", "cat a b | lbzip2 -n 2 -1 -c > x.bz2", "ab"},
        Shape{"Pbzip2", "cat a b | pbzip2 -p2 -b1 -c > x.bz2", "ab"},
        Shape{"TrailingBytesThatAreNoStream", "bzip2 -1 -c a > x.bz2 && printf 'not a stream at all' >> x.bz2", "a"}),
    [](const auto& info) { return info.param.name; });

// libarchive's filter ends the data before a stream header too short to be
// a stream; the threads take it for what it is, a stream cut short.
TEST(ParallelBzip2, TrailingStreamHeaderTooShortIsCutData) {
  const TempDir dir;
  WriteFile(dir / "a", Words(11, 330000));
  RunIn(dir, "bzip2 -1 -c a > x.bz2 && printf 'BZh91AY&SY' >> x.bz2");
  for (unsigned threads : kThreadCounts) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    EXPECT_FALSE(Threaded(dir / "x.bz2", threads).complete);
  }
}

TEST(ParallelBzip2, OneLevel9StreamOfManyBlocks) {
  const TempDir dir;
  const std::string a = Words(11, 330000), b = Words(12, 170000);
  const std::string all = a + b + a + a + b + a;
  WriteFile(dir / "big", all);
  RunIn(dir, "bzip2 -9 -c big > x.bz2");
  ExpectSameAsOneThread(dir / "x.bz2", all);
}

// Data spelling a magic in each block's header: every block then holds a
// chance magic 105 bits after its own (48 magic, 32 CRC, 1 flag, 24 origin).
struct ChanceMagic {
  std::string name;
  std::uint64_t magic;
  Bzip2MarkerKind kind;
  friend std::ostream& operator<<(std::ostream& out, const ChanceMagic& value) { return out << value.name; }
};

class ChanceMagicTest : public ::testing::TestWithParam<ChanceMagic> {};

TEST_P(ChanceMagicTest, IsPassedOverAndTheBlockUnpacks) {
  const TempDir dir;
  const std::string data = Drawn(3, 450000, AlphabetSpelling(GetParam().magic));
  WriteFile(dir / "x", data);
  RunIn(dir, "bzip2 -1 -c x > x.bz2");
  const std::vector<Bzip2Marker> markers = MarkersBitByBit(ReadFile(dir / "x.bz2"));
  int chances = 0;
  for (std::size_t i = 1; i < markers.size(); ++i)
    if (markers[i].bit == markers[i - 1].bit + 105 && markers[i].kind == GetParam().kind) ++chances;
  ASSERT_GE(chances, 3) << PrintMarkers(markers);
  ExpectSameAsOneThread(dir / "x.bz2", data);
}

INSTANTIATE_TEST_SUITE_P(Magics, ChanceMagicTest,
                         ::testing::Values(ChanceMagic{"BlockMagic", dv::kBzip2BlockMagic, Bzip2MarkerKind::kBlock},
                                           ChanceMagic{"EndMagic", dv::kBzip2EndMagic, Bzip2MarkerKind::kEnd}),
                         [](const auto& info) { return info.param.name; });

// Damaged and cut files: both paths fail, and what came before the failure
// is the same bytes (one is where the other stopped, a piece earlier or later).
struct Damage {
  std::string name;
  std::string command;  // turns x.bz2 (text at level 1, five blocks) into y.bz2
  friend std::ostream& operator<<(std::ostream& out, const Damage& value) { return out << value.name; }
};

class Bzip2DamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(Bzip2DamageTest, FailsAsInOneThreadAfterTheSameBytes) {
  const TempDir dir;
  WriteFile(dir / "x", Words(5, 450000));
  RunIn(dir, "bzip2 -1 -c x > x.bz2");
  RunIn(dir, GetParam().command);
  const Unpacked reference = OneThread(dir / "y.bz2");
  EXPECT_FALSE(reference.complete);
  for (unsigned threads : kThreadCounts) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    const Unpacked threaded = Threaded(dir / "y.bz2", threads);
    EXPECT_FALSE(threaded.complete);
    const std::size_t common = std::min(threaded.bytes.size(), reference.bytes.size());
    EXPECT_TRUE(threaded.bytes.compare(0, common, reference.bytes, 0, common) == 0);
  }
}

// Python cuts the second block's bits out of x.bz2 (the blocks found as
// the magic's bit pattern in the file's bits).
const char* const kDropSecondBlock = R"(python3 -c "
bits = ''.join(f'{b:08b}' for b in open('x.bz2', 'rb').read()); magic = f'{0x314159265359:048b}'
a = bits.find(magic, 33); b = bits.find(magic, a + 1); kept = bits[:a] + bits[b:]
kept += '0' * (-len(kept) % 8)
open('y.bz2', 'wb').write(bytes(int(kept[i:i + 8], 2) for i in range(0, len(kept), 8)))
")";

INSTANTIATE_TEST_SUITE_P(
    Files, Bzip2DamageTest,
    ::testing::Values(
        Damage{"ByteChangedInTheThirdBlock",
               "cp x.bz2 y.bz2 && printf '\\125' | dd of=y.bz2 bs=1 seek=$(( $(stat -c %s x.bz2) / 2 )) conv=notrunc"},
        Damage{"SecondBlockCutOut", kDropSecondBlock},
        Damage{"CutInHalf", "head -c $(( $(stat -c %s x.bz2) / 2 )) x.bz2 > y.bz2"},
        Damage{"CutInTheStreamCrc", "head -c $(( $(stat -c %s x.bz2) - 2 )) x.bz2 > y.bz2"},
        Damage{"StreamCrcChanged",
               "cp x.bz2 y.bz2 && printf '\\001' | dd of=y.bz2 bs=1 seek=$(( $(stat -c %s x.bz2) - 2 )) "
               "conv=notrunc"}),
    [](const auto& info) { return info.param.name; });

// ---- listing and extraction

std::string ListWithData(dv::EntrySource& source, dv::ReadResult& end) {
  std::string lines;
  dv::Entry entry;
  while ((end = source.Next(entry)) == dv::ReadResult::kEntry) {
    std::string data;
    const dv::DataResult read = source.ReadData([&](const void* bytes, std::size_t size) {
      data.append(static_cast<const char*>(bytes), size);
      return true;
    });
    lines += entry.path + " size=" + std::to_string(entry.size.value_or(0)) +
             " mtime=" + std::to_string(entry.modified.value_or(0)) +
             " read=" + std::to_string(static_cast<int>(read)) +
             " data=" + std::to_string(std::hash<std::string>{}(data)) + "\n";
  }
  return lines;
}

TEST(ParallelBzip2Tar, ListsAndReadsWhatLibArchivesFilterGives) {
  const TempDir dir;
  WriteFile(dir / "t/words.txt", Words(21, 700000));
  WriteFile(dir / "t/chance.bin", Drawn(22, 400000, AlphabetSpelling(dv::kBzip2BlockMagic)));
  for (int i = 0; i < 40; ++i) WriteFile(dir / ("t/small/" + std::to_string(i) + ".txt"), Words(100 + i, 3000 * i));
  RunIn(dir, "cd t && touch -d '2003-04-05 06:07:08' words.txt && tar cf - . | bzip2 -1 > ../x.tbz");
  const auto file = dv::PositionalFile::Open((dir / "x.tbz").c_str());
  ASSERT_TRUE(dv::HasSeveralBzip2Blocks(file));
  const auto threaded = dv::OpenSource(file, dv::Format::kTar, dv::ReadFor::kData);
  const auto reference = dv::OpenLibArchiveSource(file, dv::Format::kTar);
  ASSERT_NE(threaded, nullptr);
  ASSERT_NE(reference, nullptr);
  dv::ReadResult threadedEnd{}, referenceEnd{};
  const std::string expected = ListWithData(*reference, referenceEnd);
  EXPECT_EQ(referenceEnd, dv::ReadResult::kEnd);
  EXPECT_EQ(ListWithData(*threaded, threadedEnd), expected);
  EXPECT_EQ(threadedEnd, dv::ReadResult::kEnd);
  ASSERT_TRUE(threaded->Rewind());
  EXPECT_EQ(ListWithData(*threaded, threadedEnd), expected) << "after a rewind";
}

TEST(ParallelBzip2Tar, ADamagedBlockEndsTheListingBroken) {
  const TempDir dir;
  for (int i = 0; i < 12; ++i) WriteFile(dir / ("t/" + std::to_string(i) + ".txt"), Words(200 + i, 60000));
  RunIn(dir, "cd t && tar --mtime=@1000000000 -cf - . | bzip2 -1 > ../x.tbz");
  // Every bit of one byte inverted: a byte overwritten with a set value left
  // the file whole whenever the byte already held it, as the entries' times
  // moved the bytes about.
  std::string bytes = ReadFile(dir / "x.tbz");
  ASSERT_FALSE(bytes.empty());
  bytes[bytes.size() * 2 / 3] ^= '\xff';
  WriteFile(dir / "y.tbz", bytes);
  dv::ReadResult end{};
  const auto whole =
      dv::OpenSource(dv::PositionalFile::Open((dir / "x.tbz").c_str()), dv::Format::kTar, dv::ReadFor::kData);
  ASSERT_NE(whole, nullptr);
  const std::string complete = ListWithData(*whole, end);
  ASSERT_EQ(end, dv::ReadResult::kEnd);
  const auto damaged =
      dv::OpenSource(dv::PositionalFile::Open((dir / "y.tbz").c_str()), dv::Format::kTar, dv::ReadFor::kData);
  ASSERT_NE(damaged, nullptr);
  dv::Entry entry;
  std::vector<std::string> names;
  while ((end = damaged->Next(entry)) == dv::ReadResult::kEntry) names.push_back(entry.path);
  EXPECT_EQ(end, dv::ReadResult::kBroken);
  EXPECT_LT(names.size(), 13u);
  for (const std::string& name : names) EXPECT_NE(complete.find(name + " "), std::string::npos) << name;
}

// A plain .bz2 of several blocks is one entry whose data comes from the
// threads; damaged, its data fails.
TEST(ParallelBzip2Plain, TheOneEntrysDataIsTheWholeFile) {
  const TempDir dir;
  const std::string text = Words(51, 600000);
  WriteFile(dir / "notes.txt", text);
  RunIn(dir, "bzip2 -1 -c notes.txt > notes.txt.bz2 && cp notes.txt.bz2 cut.bz2 && truncate -s -9 cut.bz2");
  struct Row {
    const char* file;
    dv::DataResult result;
    bool whole;
  };
  for (const Row& row :
       {Row{"notes.txt.bz2", dv::DataResult::kDone, true}, Row{"cut.bz2", dv::DataResult::kBroken, false}}) {
    SCOPED_TRACE(row.file);
    const auto file = dv::PositionalFile::Open((dir / row.file).c_str());
    ASSERT_TRUE(dv::HasSeveralBzip2Blocks(file));
    const auto source = dv::OpenSource(file, dv::Format::kTar, dv::ReadFor::kData);
    ASSERT_NE(source, nullptr);
    dv::Entry entry;
    ASSERT_EQ(source->Next(entry), dv::ReadResult::kEntry);
    std::string data;
    EXPECT_EQ(source->ReadData([&](const void* bytes, std::size_t size) {
      data.append(static_cast<const char*>(bytes), size);
      return true;
    }),
              row.result);
    EXPECT_EQ(data == text, row.whole);
    EXPECT_EQ(text.compare(0, data.size(), data), 0);
  }
}

// ---- which files take the threads

struct Blocks {
  std::string name;
  std::string command;  // makes x
  bool several;
  friend std::ostream& operator<<(std::ostream& out, const Blocks& value) { return out << value.name; }
};

class SeveralBlocksTest : public ::testing::TestWithParam<Blocks> {};

TEST_P(SeveralBlocksTest, OnlyFilesOfSeveralBlocksTakeTheThreads) {
  const TempDir dir;
  WriteFile(dir / "a", Words(31, 150000));
  RunIn(dir, GetParam().command);
  EXPECT_EQ(dv::HasSeveralBzip2Blocks(dv::PositionalFile::Open((dir / "x").c_str())), GetParam().several);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SeveralBlocksTest,
    ::testing::Values(Blocks{"OneBlock", "bzip2 -9 -c a > x", false}, Blocks{"TwoBlocks", "bzip2 -1 -c a > x", true},
                      Blocks{"TwoStreams", "bzip2 -9 -c a > y && cat y y > x", true},
                      Blocks{"OneBlockAndGarbage", "bzip2 -9 -c a > x && printf 'BZh9' >> x", false},
                      Blocks{"Empty", "bzip2 -c < /dev/null > x", false}, Blocks{"NotBzip2", "gzip -c a > x", false}),
    [](const auto& info) { return info.param.name; });

// ---- shutting down

std::size_t ThreadsOfThisProcess() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

TEST(ParallelBzip2, EveryThreadEndsWhenTheReaderGoesOnEveryPath) {
  const TempDir dir;
  WriteFile(dir / "x", Words(41, 1500000));
  RunIn(dir, "bzip2 -1 -c x > x.bz2 && head -c 100000 x.bz2 > cut.bz2");
  const std::size_t before = ThreadsOfThisProcess();
  struct Path {
    const char* name;
    const char* file;
    int reads;  // how many pieces are read before the reader goes; -1 all
  };
  for (const Path& path : {Path{"never read", "x.bz2", 0}, Path{"one piece", "x.bz2", 1}, Path{"all", "x.bz2", -1},
                           Path{"after a failure", "cut.bz2", -1}}) {
    SCOPED_TRACE(path.name);
    {
      dv::ParallelBzip2 unpacked(dv::PositionalFile::Open((dir / path.file).c_str()), 3);
      EXPECT_EQ(ThreadsOfThisProcess(), before + 3);
      const char* data = nullptr;
      std::size_t size = 0;
      for (int i = 0; path.reads < 0 || i < path.reads; ++i)
        if (unpacked.Next(data, size) != dv::ParallelBzip2::Read::kData) break;
    }
    EXPECT_EQ(ThreadsOfThisProcess(), before);
  }
}

}  // namespace
