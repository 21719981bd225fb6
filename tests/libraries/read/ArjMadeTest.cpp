// ARJ archives made here by arj itself, with every method, split into
// volumes, with a volume missing or a byte damaged, extracted through
// UNARJ32J.DLL: what comes out must be what `arj x` writes, byte for byte
// and under the same names, and damage or a missing volume must leave no
// file behind and a failing result. Beside them, packed data written bit
// by bit that each decoder must take or refuse exactly.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>

#include "fuzz/FuzzEntries.h"
#include "libraries/core/read/NameText.h"
#include "libraries/core/read/arj/ArjVolumes.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace {

// 表示ソフト能.txt and 表/ソ.txt in Shift-JIS: 表, ソ and 能 end in 0x5C.
const std::string kShiftJisName = "\x95\x5c\x8e\xa6\x83\x5c\x83\x74\x83\x67\x94\x5c.txt";
const std::string kShiftJisFolderFile = "\x95\x5c/\x83\x5c.txt";
const std::string kUtf8FolderFile = "日本語/ユーザー.txt";

// The same pseudo-random numbers on every run.
class Numbers {
 public:
  explicit Numbers(std::uint32_t seed) : state_(seed) {}
  unsigned Below(unsigned n) {
    state_ = (state_ * 1103515245u + 12345u) & 0x7FFFFFFFu;
    return (state_ >> 8) % n;
  }

 private:
  std::uint32_t state_;
};

// ~40 KB of words from a small vocabulary: matches at all distances, and
// more than the decoders' 26,624-byte window.
std::string Text(Numbers& numbers) {
  std::vector<std::string> words(200);
  for (std::string& word : words)
    for (unsigned length = 2 + numbers.Below(7); word.size() < length;)
      word += static_cast<char>('a' + numbers.Below(16));
  std::string text;
  for (int i = 0; text.size() < 40000; ++i) text += words[numbers.Below(200)] + (i % 12 == 11 ? '\n' : ' ');
  return text;
}

// Bytes arj cannot shrink: it keeps them stored, whatever method it is asked for.
std::string Noise(Numbers& numbers) {
  std::string noise;
  while (noise.size() < 3000) noise += static_cast<char>(numbers.Below(256));
  return noise;
}

// 30,000 bytes of four values, half of them copies of earlier stretches up
// to 20,000 bytes back.
std::string Mixed(Numbers& numbers) {
  std::string mixed;
  while (mixed.size() < 30000) {
    if (mixed.size() > 1000 && numbers.Below(2) == 0) {
      const std::size_t from =
          mixed.size() - 1 - numbers.Below(static_cast<unsigned>(std::min<std::size_t>(mixed.size() - 1, 20000)));
      for (unsigned k = 0, length = 4 + numbers.Below(60); k < length; ++k) mixed += mixed[from + k];
    } else {
      for (int k = 0; k < 16; ++k) mixed += "\x00\x01\x7f\xff"[numbers.Below(4)];
    }
  }
  mixed.resize(30000);
  return mixed;
}

const Files& Sources() {
  // clang-format off
  static const Files files = [] {
    Numbers numbers(2024);
    const std::string text = Text(numbers), noise = Noise(numbers), mixed = Mixed(numbers);
    return Files{{"empty.txt", ""},
                 {"small.txt", "small\n"},
                 {"text.txt", text},
                 {"noise.bin", noise},
                 {"mixed.bin", mixed},
                 {kShiftJisName, "Shift-JIS name\n"},
                 {kShiftJisFolderFile, "in a Shift-JIS folder\n"},
                 {kUtf8FolderFile, "UTF-8 names\n"}};
  }();
  return files;
}

const std::vector<std::string> kEverySource = {"empty.txt", "small.txt",   "text.txt",          "noise.bin",
                                               "mixed.bin", kShiftJisName, kShiftJisFolderFile, kUtf8FolderFile};

// Split into volumes of 10,000 bytes. With -m1: x.arj holds small.txt and
// the start of text.txt; x.a01 the rest of it, mixed.bin and the start of
// noise.bin; x.a02 its rest. With -m4: text.txt runs from x.arj through
// x.a01 into x.a02, mixed.bin from x.a02 into x.a03, which holds noise.bin.
const std::string kSplitFiles = "small.txt text.txt mixed.bin noise.bin";
const std::vector<std::string> kSplitSources = {"small.txt", "text.txt", "mixed.bin", "noise.bin"};

std::string Split(const std::string& method) { return "arj a " + method + " -v10K -y ../x.arj " + kSplitFiles; }
std::string Whole(const std::string& method) { return "arj a " + method + " -r -y ../x.arj '*'"; }

// Inverts one byte of `file`, at `at` or, when negative, in its middle.
std::string Flip(const std::string& file, int at) {
  return "python3 -c 'import sys; p, n = sys.argv[1], int(sys.argv[2]); b = bytearray(open(p, \"rb\").read()); "
         "b[n if n >= 0 else len(b) // 2] ^= 0xFF; open(p, \"wb\").write(b)' " +
         file + " " + std::to_string(at);
}

struct MadeArj {
  std::string name;
  std::string make;     // run in src/, makes ../x.arj and its volumes
  std::string damage;   // run beside the archive afterwards, if any
  std::string extract;  // the volume given to the library
  int code;
  std::vector<std::string> extracted;  // the source files that come out
  bool checks;                         // CheckArchive of that volume
  friend std::ostream& operator<<(std::ostream& out, const MadeArj& value) { return out << value.name; }
};

std::vector<MadeArj> MadeArchives() {
  return {
      {"Stored", Whole("-m0"), "", "x.arj", code::kOk, kEverySource, true},
      {"Method1", Whole("-m1"), "", "x.arj", code::kOk, kEverySource, true},
      {"Method2", Whole("-m2"), "", "x.arj", code::kOk, kEverySource, true},
      {"Method3", Whole("-m3"), "", "x.arj", code::kOk, kEverySource, true},
      {"Method4", Whole("-m4"), "", "x.arj", code::kOk, kEverySource, true},
      {"SplitMethod1", Split("-m1"), "", "x.arj", code::kOk, kSplitSources, true},
      {"SplitMethod4", Split("-m4"), "", "x.arj", code::kOk, kSplitSources, true},
      // Every volume's headers are read before anything is written. The
      // check walks the volumes too, and fails on the one that is missing.
      {"SplitSecondVolumeMissing", Split("-m1"), "rm x.a01", "x.arj", code::kVolumeMissing, {}, false},
      {"SplitLastVolumeMissing", Split("-m4"), "rm x.a03", "x.arj", code::kVolumeMissing, {}, false},
      // text.txt began in x.arj: its rest alone is no file.
      {"SplitFromSecondVolume", Split("-m1"), "", "x.a01", code::kVolumeMissing, {"mixed.bin", "noise.bin"}, true},
      // The byte lies in the part of text.txt that x.a01 holds.
      {"SplitDamagedInSecondVolume", Split("-m1"), Flip("x.a01", 300), "x.arj", code::kBrokenArchive,
       {"small.txt", "mixed.bin", "noise.bin"}, true},
      {"Method1ByteFlipped", "arj a -m1 -y ../x.arj text.txt", Flip("x.arj", -1), "x.arj", code::kBrokenArchive, {},
       false},
      {"Method4ByteFlipped", "arj a -m4 -y ../x.arj text.txt", Flip("x.arj", -1), "x.arj", code::kBrokenArchive, {},
       false},
  };
  // clang-format on
}

class ArjMadeTest : public ::testing::TestWithParam<MadeArj> {};

TEST_P(ArjMadeTest, ExtractsWhatArjExtracts) {
  const MadeArj& row = GetParam();
  TempDir dir;
  MakeFiles(dir, Sources());
  RunIn(dir, "cd src && " + row.make + " > /dev/null");
  if (!row.damage.empty()) RunIn(dir, row.damage);
  const std::string archive = dir / row.extract;
  std::filesystem::create_directories(dir / "out");
  const ArchiverLibrary library(LibraryFor("UNARJ32J.DLL"));
  const CommandRun run = RunLine(library, "Unarj", "x -+  \"" + archive + "\" \"" + (dir / "out") + "/\"");
  EXPECT_EQ(run.code, row.code) << run.report;
  // Names come out as text (CP932 ones in UTF-8), where arj writes the
  // stored bytes.
  const auto asText = [](const Files& files) {
    Files text;
    for (const auto& [name, data] : files) text[dv::StoredNameAsText(name)] = data;
    return text;
  };
  Files expected;
  for (const std::string& name : row.extracted) expected[name] = Sources().at(name);
  const Files ours = FilesUnder(dir / "out");
  EXPECT_EQ(ours, asText(expected));
  if (row.code == code::kOk) {
    RunIn(dir, "mkdir arj && cd arj && arj x -y -v " + Quote(archive) + " < /dev/null > /dev/null");
    EXPECT_EQ(ours, asText(FilesUnder(dir / "arj")));
  }
  EXPECT_EQ(library.api().check(archive.c_str(), 0), row.checks ? TRUE : FALSE);
}

INSTANTIATE_TEST_SUITE_P(Arj, ArjMadeTest, ::testing::ValuesIn(MadeArchives()),
                         [](const auto& info) { return info.param.name; });

// A listing walks from the volume given through the volumes after it, as
// extraction does, so the newest entry of a later volume dates the
// archive. A volume that is not there ends the walk with
// kErrorVolumeMissing (once, then -1), after the entries before it, and
// the archive no longer checks.
struct SplitListing {
  std::string name;
  std::string volume;   // given to the library
  std::string removed;  // volume taken away first, if any
  std::vector<std::string> names;
  std::string newest;
  int end;  // what the last FindNext gives
  BOOL checks;
  friend std::ostream& operator<<(std::ostream& out, const SplitListing& value) { return out << value.name; }
};

class ArjSplitListingTest : public ::testing::TestWithParam<SplitListing> {};

TEST_P(ArjSplitListingTest, WalksTheVolumesAfterTheOneGiven) {
  const SplitListing& row = GetParam();
  TempDir dir;
  MakeFiles(dir, Sources());
  // x.arj holds small.txt and text.txt's start; mixed.bin, the newest, is in x.a01.
  RunIn(dir,
        "cd src && touch -d '2011-05-06 07:08:10' small.txt text.txt noise.bin"
        " && touch -d '2022-03-04 05:06:08' mixed.bin && " +
            Split("-m1") + " > /dev/null");
  if (!row.removed.empty()) std::filesystem::remove(dir / row.removed);
  const ArchiverLibrary library(LibraryFor("UNARJ32J.DLL"));
  const std::string archive = dir / row.volume;
  const HARC handle = library.api().open(nullptr, archive.c_str(), 0);
  ASSERT_NE(handle, HARC{});
  std::vector<ENTRYINFO> records;
  ENTRYINFO record{};
  int status = library.api().findFirst(handle, "*.*", &record);
  for (; status == 0; status = library.api().findNext(handle, &record)) records.push_back(record);
  EXPECT_EQ(status, row.end);
  EXPECT_EQ(library.api().findNext(handle, &record), -1);
  library.api().close(handle);
  std::vector<std::string> names;
  for (const ENTRYINFO& listed : records) names.push_back(listed.szFileName);
  EXPECT_EQ(names, row.names);
  EXPECT_EQ(NewestText(records), row.newest);
  EXPECT_EQ(ListArchive(library.api(), archive).records.size(), row.names.size());
  EXPECT_EQ(library.api().check(archive.c_str(), 0), row.checks);
}

INSTANTIATE_TEST_SUITE_P(
    Arj, ArjSplitListingTest,
    ::testing::Values(
        SplitListing{"FromTheFirst",
                     "x.arj",
                     "",
                     {"small.txt", "text.txt", "mixed.bin", "noise.bin"},
                     "2022-03-04 05:06:08",
                     -1,
                     TRUE},
        // The volume given starts with the rest of text.txt: it is listed.
        SplitListing{
            "FromTheSecond", "x.a01", "", {"text.txt", "mixed.bin", "noise.bin"}, "2022-03-04 05:06:08", -1, TRUE},
        SplitListing{"FromTheLast", "x.a02", "", {"noise.bin"}, "2011-05-06 07:08:10", -1, TRUE},
        SplitListing{"SecondMissing",
                     "x.arj",
                     "x.a01",
                     {"small.txt", "text.txt"},
                     "2011-05-06 07:08:10",
                     code::kVolumeMissing,
                     FALSE},
        SplitListing{"LastMissing",
                     "x.arj",
                     "x.a02",
                     {"small.txt", "text.txt", "mixed.bin", "noise.bin"},
                     "2022-03-04 05:06:08",
                     code::kVolumeMissing,
                     FALSE}),
    [](const auto& info) { return info.param.name; });

// The names arj gives the volumes after the first: .a01 to .a99, then
// .100 on, the letter in the case of the archive's extension.
TEST(ArjVolumeNames, FollowArjsNumbering) {
  struct Row {
    const char* path;
    std::optional<std::string> next;
  };
  for (const Row& row : {Row{"/d/x.arj", "/d/x.a01"}, Row{"/d/X.ARJ", "/d/X.A01"}, Row{"/d/x.exe", "/d/x.a01"},
                         Row{"/d/x.a09", "/d/x.a10"}, Row{"/d/X.A41", "/d/X.A42"}, Row{"/d/x.a99", "/d/x.100"},
                         Row{"/d/x.100", "/d/x.101"}, Row{"/d/x.999", std::nullopt}, Row{"/d.v/x", "/d.v/x.a01"}}) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(dv::NextArjVolume(row.path), row.next);
  }
}

// Any one byte of the packed data inverted is a failed entry, in both decoders.
TEST(ArjFlippedByte, EveryByteOfThePackedDataMatters) {
  for (const char* method : {"-m1", "-m4"}) {
    SCOPED_TRACE(method);
    TempDir dir;
    WriteFile(dir / "src/text.txt", Sources().at("text.txt"));
    RunIn(dir, std::string("cd src && arj a ") + method + " -y ../x.arj text.txt > /dev/null");
    const std::string whole = ReadFile(dir / "x.arj");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(whole.data());
    ASSERT_EQ(dvfuzz::ArjOutcome(dir / "input", bytes, whole.size()).summary, "entries=1 end data=D");
    // The packed data lies between the two headers and the end marker.
    const std::size_t first = whole.find("text.txt") + 100, last = whole.size() - 4;
    for (std::size_t at = first; at < last; at += 101) {
      std::string damaged = whole;
      damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
      const dvfuzz::Outcome outcome =
          dvfuzz::ArjOutcome(dir / "input", reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size());
      EXPECT_EQ(outcome.faults, "") << "byte " << at;
      EXPECT_EQ(outcome.summary, "entries=1 end data=B") << "byte " << at;
    }
  }
}

// Packed data written bit by bit: each row either decodes to its entry's
// bytes (D) or is refused (B). Where it can, a refused row is built so that
// what it would decode to matches the header's size and CRC: only the
// guard it is named after refuses it.
struct Stream {
  std::string name;
  unsigned method;
  std::vector<BitField> bits;
  std::string original;  // what the header says came out (size and CRC)
  char result;
  friend std::ostream& operator<<(std::ostream& out, const Stream& value) { return out << value.name; }
};

// Method 4 codes.
BitField Literal(char c) { return {static_cast<unsigned char>(c), 8}; }
const BitField kLiteralMark{0, 1};
// A match of 3 bytes from distance `distance` (below 512).
std::vector<BitField> Match3(unsigned distance) { return {{0b100, 3}, {0, 1}, {distance, 9}}; }

// Methods 1-3: a block of `count` codes whose three tables hold one
// symbol each, so that every code takes no bits: `charSymbol` is a literal
// (below 256) or a match of charSymbol - 253 bytes, `positionSlot` its
// distance slot.
std::vector<BitField> OneSymbolBlock(unsigned count, unsigned charSymbol, unsigned positionSlot) {
  return {{count, 16}, {0, 5}, {0, 5}, {0, 9}, {charSymbol, 9}, {0, 5}, {positionSlot, 5}};
}

std::vector<BitField> Concat(std::vector<std::vector<BitField>> parts) {
  std::vector<BitField> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// 40,000 literal 'a's, then one block of one 256-byte match from slot 15:
// 16,384 + `extra` + 1 bytes back.
std::vector<BitField> FarMatch(unsigned extra) {
  return Concat({OneSymbolBlock(40000, 'a', 0), OneSymbolBlock(1, 509, 15), {{extra, 14}}});
}

// A block of one code whose length code has the code lengths `lengths`
// (each a 3-bit number below 7, then the 2-bit run of zero lengths after
// the third) and whose other two tables hold one symbol each: a literal 'x'.
std::vector<BitField> LengthCodeThenX(unsigned count, std::vector<BitField> lengths) {
  return Concat({{{1, 16}, {count, 5}}, lengths, {{0, 9}, {'x', 9}, {0, 5}, {0, 5}}});
}

// Method 4 at its longest codes: seven 1 bits with no closing 0 before a
// length's 7 bits (256 bytes), four before a distance's 13 bits (15,871).
std::vector<BitField> FastestLongestCodes() {
  std::vector<BitField> bits = {kLiteralMark, Literal('a')};
  for (int i = 0; i < 62; ++i) bits.insert(bits.end(), {{0x7F, 7}, {127, 7}, {0, 1}, {0, 9}});
  bits.insert(bits.end(), {{0x7F, 7}, {127, 7}, {0xF, 4}, {8191, 13}});
  return bits;
}

std::vector<Stream> Streams() {
  const std::string a40256(40256, 'a');
  // clang-format off
  return {
      {"FastestLiterals", 4, {kLiteralMark, Literal('h'), kLiteralMark, Literal('i')}, "hi", 'D'},
      {"FastestMatchRepeatsItsOwnBytes", 4, Concat({{kLiteralMark, Literal('a')}, Match3(0)}), "aaaa", 'D'},
      {"FastestLongestCodes", 4, FastestLongestCodes(), std::string(1 + 63 * 256, 'a'), 'D'},
      // Reaching one byte before the first, the copy would repeat a zero of
      // the fresh window and the bytes it makes.
      {"FastestMatchBeforeTheFirstByte", 4, Concat({{kLiteralMark, Literal('a')}, Match3(1)}),
       std::string("a\0a\0", 4), 'B'},
      {"FastestMatchPastTheSize", 4, Concat({{kLiteralMark, Literal('a')}, Match3(0)}), "aa", 'B'},
      // Zeros past the end would read as the NULs the header's CRC expects.
      {"FastestDataEndsEarly", 4, {kLiteralMark, Literal('a')}, std::string("a\0\0\0\0\0\0\0", 8), 'B'},
      {"HuffmanOneSymbolTables", 1, OneSymbolBlock(4, 'x', 0), "xxxx", 'D'},
      {"HuffmanBlockOfNoCodes", 1, {{0, 16}, {0, 5}, {0, 5}}, "x", 'B'},
      {"HuffmanMatchAtTheWindowsEdge", 1, FarMatch(26623 - 16384), a40256, 'D'},
      {"HuffmanMatchBeyondTheWindow", 1, FarMatch(26624 - 16384), a40256, 'B'},
      {"HuffmanCharSymbolOutOfRange", 1, OneSymbolBlock(1, 510, 0), "x", 'B'},
      {"HuffmanLengthSymbolOutOfRange", 1, {{1, 16}, {0, 5}, {19, 5}}, "x", 'B'},
      {"HuffmanTooManyCodeLengths", 1, {{1, 16}, {20, 5}}, "x", 'B'},
      {"HuffmanCompleteCode", 1, LengthCodeThenX(2, {{1, 3}, {1, 3}}), "x", 'D'},
      // Lengths 1 and 2 leave a quarter of the codes unassigned.
      {"HuffmanIncompleteCode", 1, LengthCodeThenX(2, {{1, 3}, {2, 3}}), "x", 'B'},
      {"HuffmanOversubscribedCode", 1, LengthCodeThenX(3, {{1, 3}, {1, 3}, {1, 3}, {0, 2}}), "x", 'B'},
      {"HuffmanZeroRunWithinTheCount", 1, LengthCodeThenX(4, {{1, 3}, {2, 3}, {2, 3}, {1, 2}}), "x", 'D'},
      {"HuffmanZeroRunPastTheCount", 1, LengthCodeThenX(4, {{1, 3}, {2, 3}, {2, 3}, {2, 2}}), "x", 'B'},
      // 7 and ten more 1 bits: a length of 17.
      {"HuffmanCodeLengthOver16", 1, LengthCodeThenX(1, {{7, 3}, {0x3FF, 10}, {0, 1}}), "x", 'B'},
      {"HuffmanDataEndsInATable", 1, {{1, 16}, {0, 5}}, std::string(1, '\0'), 'B'},
  };
  // clang-format on
}

class ArjStreamTest : public ::testing::TestWithParam<Stream> {};

TEST_P(ArjStreamTest, DecodesOrRefusesExactly) {
  const Stream& row = GetParam();
  ArjEntry entry;
  entry.name = "a.bin";
  entry.data = row.original;
  entry.stamp = DosStamp(2001, 2, 3, 4, 5, 6);
  entry.method = row.method;
  entry.packed = PackBits(row.bits);
  const std::string archive = ArjMainHeader() + ArjFile(entry) + ArjEnd();
  const TempDir dir;
  const dvfuzz::Outcome outcome =
      dvfuzz::ArjOutcome(dir / "input", reinterpret_cast<const std::uint8_t*>(archive.data()), archive.size());
  EXPECT_EQ(outcome.faults, "");
  EXPECT_EQ(outcome.summary, std::string("entries=1 end data=") + row.result);
}

INSTANTIATE_TEST_SUITE_P(Arj, ArjStreamTest, ::testing::ValuesIn(Streams()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
