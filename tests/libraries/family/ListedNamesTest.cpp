// Archives with the names people's archives have, made by the formats' own
// tools (or byte by byte where no tool here writes them): Japanese names in
// Shift-JIS (CP932, whose 表 ソ 能 end in the byte of '\') and UTF-8,
// cabinets of several folders, tar names as tar lists them. Each lists its
// entries by their names as UTF-8 text with their times, checks sound, and
// extracts what the format's own tool extracts, whole and by the names the
// listing shows.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace {

// One extraction of the made archive.
struct Extraction {
  std::string names;  // the line's names after the output folder; "" takes every entry
  int code;
  Files files;  // what comes out
  // The format's own tool doing the same, run in an empty folder, "@A" the
  // archive; "" where no tool here can (it reads no CP932 cabinet names,
  // or writes an unsafe entry somewhere else instead of refusing it).
  std::string tool;
};

struct NamesCase {
  std::string name;
  std::string library;
  std::string make;  // run in the folder of the source files (src/); makes ../<archive>
  std::string archive;
  std::vector<std::string> lines;  // the listing
  std::vector<Extraction> extractions;
  friend std::ostream& operator<<(std::ostream& out, const NamesCase& value) { return out << value.name; }
};

// The tools read and write the names under a UTF-8 locale; the tests run
// under C.
const std::string kUtf8 = "LC_ALL=C.UTF-8 ";

// Source files: an ASCII name, and Japanese ones whose CP932 bytes hold
// 0x5C as a second byte (表 in a folder's name, ソ, 能). Times are local
// (TZ=JST-9, which the tools inherit).
void MakeSources(const TempDir& dir) {
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "src/日本語.txt", "nihongo\n");
  WriteFile(dir / "src/表示/ソフト.txt", "soft\n");
  WriteFile(dir / "src/能.txt", "nou\n");
  RunIn(dir,
        "cd src && touch -d '2001-02-03 04:05:06' a.txt"
        " && touch -d '2010-11-12 13:14:16' 日本語.txt 表示/ソフト.txt 表示 能.txt");
}

const Files kJapanese = {
    {"a.txt", "alpha\n"}, {"日本語.txt", "nihongo\n"}, {"表示/ソフト.txt", "soft\n"}, {"能.txt", "nou\n"}};

std::string Line(const std::string& name, const std::string& stamp) {
  return "name=" + name + " date=" + stamp.substr(0, 10) + " time=" + stamp.substr(11);
}

const std::string kA = "2001-02-03 04:05:06", kJ = "2010-11-12 13:14:16";

// zipfile with the names encoded as `encoding` and the UTF-8 flag cleared,
// as Japanese Windows tools write them.
std::string ZipWithoutFlag(const std::string& encoding, const std::string& entries) {
  return FixturePython(
      "import zipfile\n"
      "class Info(zipfile.ZipInfo):\n"
      "    def _encodeFilenameFlags(self):\n"
      "        return self.filename.encode('" +
      encoding +
      "'), self.flag_bits & ~0x800\n"
      "with zipfile.ZipFile('../x.zip', 'w') as z:\n"
      "    for name, data in " +
      entries +
      ":\n"
      "        z.writestr(Info(name, date_time=(2010, 11, 12, 13, 14, 16)), data)\n");
}

const std::string kZipEntries =
    "[('表示/', b''), ('表示/ソフト.txt', b'soft\\n'), ('能.txt', b'nou\\n'), ('a.txt', b'alpha\\n')]";
const Files kZipFiles = {{"a.txt", "alpha\n"}, {"表示/ソフト.txt", "soft\n"}, {"能.txt", "nou\n"}};
const std::vector<std::string> kZipLines = {Line("表示/", kJ), Line("表示/ソフト.txt", kJ), Line("能.txt", kJ),
                                            Line("a.txt", kJ)};

std::vector<NamesCase> LhaCases() {
  const std::string tool = kUtf8 + "jlha xy @A";  // y: names in Shift-JIS
  const std::vector<std::string> middle = {Line("a.txt", kA), Line("日本語.txt", kJ), Line("表示/", kJ),
                                           Line("表示/ソフト.txt", kJ), Line("能.txt", kJ)};
  const std::vector<std::string> first = {Line("日本語.txt", kJ), Line("a.txt", kA), Line("表示/", kJ),
                                          Line("表示/ソフト.txt", kJ), Line("能.txt", kJ)};
  const std::vector<std::string> folderFirst = {Line("表示/", kJ), Line("表示/ソフト.txt", kJ), Line("a.txt", kA),
                                                Line("能.txt", kJ), Line("日本語.txt", kJ)};
  // clang-format off
  return {
      // Level 0 parts names with '\', which is also the second byte of 表.
      {"Level0JapaneseInTheMiddle", "UNLHA32.DLL", kUtf8 + "jlha ay0 ../x.lzh a.txt 日本語.txt 表示 能.txt", "x.lzh",
       middle, {{"", code::kOk, kJapanese, tool}, {"\"表示\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, ""}}},
      {"Level1JapaneseFirst", "UNLHA32.DLL", kUtf8 + "jlha ay1 ../x.lzh 日本語.txt a.txt 表示 能.txt", "x.lzh", first,
       {{"", code::kOk, kJapanese, tool}, {"\"?.txt\"", code::kOk, {{"a.txt", "alpha\n"}, {"能.txt", "nou\n"}}, ""}}},
      {"Level2FolderFirst", "UNLHA32.DLL", kUtf8 + "jlha ay2 ../x.lzh 表示 a.txt 能.txt 日本語.txt", "x.lzh",
       folderFirst, {{"", code::kOk, kJapanese, tool}}},
      // A name that is text in no character set comes as its bytes, and the
      // entries after it still come; names in UTF-16 headers as they say.
      {"NameOfNoCharsetThenUtf16Names", "UNLHA32.DLL",
       FixturePython("import lha\n"
              "lha.write('../x.lzh', [lha.level0(b'\\x85\\x40x.txt', b'neither\\n'),\n"
              "    lha.level2([(0x45, 'テスト'.encode('utf-16-le') + b'\\xff\\xff'),\n"
              "                (0x44, 'ソフト.txt'.encode('utf-16-le'))], b'soft\\n', 1289535256),\n"
              "    lha.level0(b'ok.txt', b'ok\\n')])"),
       "x.lzh", {Line("\x85\x40x.txt", kJ), Line("テスト/ソフト.txt", kJ), Line("ok.txt", kJ)},
       {{"", code::kOk, {{"\x85\x40x.txt", "neither\n"}, {"テスト/ソフト.txt", "soft\n"}, {"ok.txt", "ok\n"}}, ""}}},
      // A name ends at a NUL, as a C string does.
      {"NulInAName", "UNLHA32.DLL",
       FixturePython("import lha\n"
              "lha.write('../x.lzh', [lha.level0(b'..\\x00/x.txt', b'evil\\n'),\n"
              "                       lha.level0(b'ok.txt\\x00x', b'ok\\n')])"),
       "x.lzh", {Line("..", kJ), Line("ok.txt", kJ)}, {{"", code::kUnsafeEntry, {{"ok.txt", "ok\n"}}, ""}}},
  };
  // clang-format on
}

std::vector<NamesCase> ZipCases() {
  // clang-format off
  return {
      // Python's zipfile reads the names as CP932 when told.
      {"Cp932WithoutFlag", "UNZIP32.DLL", ZipWithoutFlag("cp932", kZipEntries), "x.zip", kZipLines,
       {{"", code::kOk, kZipFiles,
         "python3 -c \"import sys, zipfile\n"
         "zipfile.ZipFile(sys.argv[1], metadata_encoding='cp932').extractall()\" @A"},
        {"\"表示\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, ""},
        {"\"*能*\"", code::kOk, {{"能.txt", "nou\n"}}, ""}}},
      {"Utf8WithFlag", "UNZIP32.DLL",
       FixturePython("import zipfile\n"
              "with zipfile.ZipFile('../x.zip', 'w') as z:\n"
              "    for name, data in " + kZipEntries + ":\n"
              "        z.writestr(zipfile.ZipInfo(name, date_time=(2010, 11, 12, 13, 14, 16)), data)\n"),
       "x.zip", kZipLines, {{"", code::kOk, kZipFiles, kUtf8 + "unzip -q @A"}}},
      // Info-ZIP's zip writes UTF-8 names without the flag.
      {"Utf8ByInfoZip", "UNZIP32.DLL", kUtf8 + "zip -q -r ../x.zip 日本語.txt 表示 a.txt", "x.zip",
       {Line("日本語.txt", kJ), Line("表示/", kJ), Line("表示/ソフト.txt", kJ), Line("a.txt", kA)},
       {{"", code::kOk, {{"日本語.txt", "nihongo\n"}, {"表示/ソフト.txt", "soft\n"}, {"a.txt", "alpha\n"}},
         kUtf8 + "unzip -q @A"},
        {"\"表示/ソフト.txt\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, ""}}},
      // Bytes that are neither UTF-8 nor CP932 stay as they are.
      {"NameOfNoCharset", "UNZIP32.DLL", ZipWithoutFlag("latin-1", "[('\\x85\\x40x.txt', b'neither\\n')]"),
       "x.zip", {Line("\x85\x40x.txt", kJ)}, {{"", code::kOk, {{"\x85\x40x.txt", "neither\n"}}, "unzip -q @A"}}},
  };
  // clang-format on
}

// Folders of the cabinet builder: a.txt and an unsafe entry in the first,
// one file in each of the others.
std::string MultiFolderCab(const std::string& unsafe) {
  return FixturePython(
      "import cab\n"
      "cab.write('../x.cab', [[('a.txt', b'alpha\\n')" +
      unsafe +
      "], [('d\\\\b.txt', b'bravo\\n')],\n"
      "                       [('d\\\\c.txt', b'charlie\\n')]])");
}

std::vector<NamesCase> CabCases() {
  const Files folders = {{"a.txt", "alpha\n"}, {"d/b.txt", "bravo\n"}, {"d/c.txt", "charlie\n"}};
  const std::vector<std::string> folderLines = {Line("a.txt", kJ), Line("d/b.txt", kJ), Line("d/c.txt", kJ)};
  // clang-format off
  return {
      {"Cp932", "CAB32.DLL",
       FixturePython("import cab\n"
              "cab.write('../x.cab', [[('表示\\\\ソフト.txt', b'soft\\n'), ('能.txt', b'nou\\n')]], 'cp932')"),
       "x.cab", {Line("表示/ソフト.txt", kJ), Line("能.txt", kJ)},
       {{"", code::kOk, {{"表示/ソフト.txt", "soft\n"}, {"能.txt", "nou\n"}}, ""},
        {"\"表示/*\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, ""}}},
      // gcab writes the UTC clock into the DOS fields: 9 hours behind.
      {"Utf8ByGcab", "CAB32.DLL", "gcab -c ../x.cab 日本語.txt 表示/ソフト.txt", "x.cab",
       {Line("日本語.txt", "2010-11-12 04:14:16"), Line("表示/ソフト.txt", "2010-11-12 04:14:16")},
       {{"", code::kOk, {{"日本語.txt", "nihongo\n"}, {"表示/ソフト.txt", "soft\n"}}, "gcab -x @A"}}},
      {"ThreeFolders", "CAB32.DLL", MultiFolderCab(""), "x.cab", folderLines,
       {{"", code::kOk, folders, "gcab -x @A"},
        {"\"d/c.txt\"", code::kOk, {{"d/c.txt", "charlie\n"}}, ""},
        {"\"d/b.txt\" \"a.txt\"", code::kOk, {{"a.txt", "alpha\n"}, {"d/b.txt", "bravo\n"}}, ""}}},
      // The unsafe entry is refused; the later folders still come out.
      {"ThreeFoldersUnsafeEntryInTheFirst", "CAB32.DLL", MultiFolderCab(", ('..\\\\x', b'evil\\n')"), "x.cab",
       {Line("a.txt", kJ), Line("../x", kJ), Line("d/b.txt", kJ), Line("d/c.txt", kJ)},
       {{"", code::kUnsafeEntry, folders, ""},
        {"\"..*\" \"d/c.txt\"", code::kUnsafeEntry, {{"d/c.txt", "charlie\n"}}, ""}}},
  };
  // clang-format on
}

std::vector<NamesCase> TarCases() {
  const std::string tool = "tar xf @A";
  // clang-format off
  return {
      // Names as the listing shows them select what tar itself extracts.
      {"DotSlashNames", "tar32.dll", "tar cf ../x.tar ./a.txt ./表示", "x.tar",
       {Line("./a.txt", kA), Line("./表示/", kJ), Line("./表示/ソフト.txt", kJ)},
       {{"\"./a.txt\"", code::kOk, {{"a.txt", "alpha\n"}}, tool + " ./a.txt"},
        {"\"./表示/\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, tool + " ./表示/"},
        {"\"./表示\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, tool + " ./表示"},
        {"\"./表示/ソフト.txt\" \"./a.txt\"", code::kOk, {{"a.txt", "alpha\n"}, {"表示/ソフト.txt", "soft\n"}},
         tool + " ./表示/ソフト.txt ./a.txt"}}},
      {"DoubledSlash", "tar32.dll", "tar cf ../x.tar a.txt 表示//ソフト.txt", "x.tar",
       {Line("a.txt", kA), Line("表示//ソフト.txt", kJ)},
       {{"\"表示//ソフト.txt\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, tool + " 表示//ソフト.txt"},
        {"\"表示/\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, ""}}},
  };
  // clang-format on
}

// arj takes a name's bytes from the disk as they are and stores them; each
// file is added from a folder of its own, so that the entries keep this
// order whatever order the folder is read in.
std::string ArjOfNames(const std::string& entries) {
  return "python3 -c \"import os, shutil, subprocess\n"
         "for i, (source, stored) in enumerate(" +
         entries +
         "):\n"
         "    stage = '../stage%d' % i\n"
         "    target = os.path.join(stage.encode(), stored)\n"
         "    os.makedirs(os.path.dirname(target), exist_ok=True)\n"
         "    shutil.copy2(source, target)\n"
         "    subprocess.run(['arj', 'a', '-r', '-y', '../x.arj', '*'], cwd=stage, stdout=subprocess.DEVNULL, "
         "check=True)\"";
}

std::vector<NamesCase> ArjCases() {
  const std::string cp932 = "[(n, n.encode('cp932')) for n in ('a.txt', '表示/ソフト.txt', '能.txt')]";
  const Files files = {{"a.txt", "alpha\n"}, {"表示/ソフト.txt", "soft\n"}, {"能.txt", "nou\n"}};
  // clang-format off
  return {
      {"Cp932", "UNARJ32J.DLL", ArjOfNames(cp932), "x.arj",
       {Line("a.txt", kA), Line("表示/ソフト.txt", kJ), Line("能.txt", kJ)},
       {{"", code::kOk, files, ""},
        {"\"表示/ソフト.txt\"", code::kOk, {{"表示/ソフト.txt", "soft\n"}}, ""},
        {"\"*能*\"", code::kOk, {{"能.txt", "nou\n"}}, ""}}},
      // UTF-8 stays as it is; bytes of no character set stay as they are.
      {"Utf8AndNoCharset", "UNARJ32J.DLL",
       ArjOfNames("[('日本語.txt', '日本語.txt'.encode()), ('a.txt', b'\\x85\\x40x.txt')]"), "x.arj",
       {Line("日本語.txt", kJ), Line("\x85\x40x.txt", kA)},
       {{"", code::kOk, {{"日本語.txt", "nihongo\n"}, {"\x85\x40x.txt", "alpha\n"}}, ""},
        {"\"日本語.txt\"", code::kOk, {{"日本語.txt", "nihongo\n"}}, ""}}},
  };
  // clang-format on
}

class ListedNamesTest : public ::testing::TestWithParam<NamesCase> {};

TEST_P(ListedNamesTest, ListsTheNamesAsTextAndExtractsWhatTheToolExtracts) {
  const NamesCase& row = GetParam();
  TempDir dir;
  MakeSources(dir);
  RunIn(dir, "cd src && " + row.make);
  const std::string archive = dir / row.archive;
  const ArchiverLibrary library(LibraryFor(row.library));
  EXPECT_EQ(ListArchive(library.api(), archive).lines, row.lines);
  EXPECT_EQ(library.api().check(archive.c_str(), 0), TRUE);
  for (std::size_t i = 0; i < row.extractions.size(); ++i) {
    const Extraction& extraction = row.extractions[i];
    SCOPED_TRACE("extracting " + (extraction.names.empty() ? std::string("everything") : extraction.names));
    const std::string out = dir / ("out" + std::to_string(i));
    const CommandRun run = RunLine(library, LibraryFor(row.library).commands.front(),
                                   ExtractLine(row.library, archive, out, extraction.names));
    EXPECT_EQ(run.code, extraction.code) << run.report;
    EXPECT_EQ(FilesUnder(out), extraction.files);
    if (extraction.tool.empty()) continue;
    const std::string toolOut = dir / ("tool" + std::to_string(i));
    std::string tool = extraction.tool;
    tool.replace(tool.find("@A"), 2, Quote(archive));
    RunOrFail("mkdir " + Quote(toolOut) + " && cd " + Quote(toolOut) + " && " + tool);
    EXPECT_EQ(FilesUnder(toolOut), extraction.files) << "the tool extracts something else";
  }
}

std::string CaseName(const ::testing::TestParamInfo<NamesCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Unlha32, ListedNamesTest, ::testing::ValuesIn(LhaCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Unzip32, ListedNamesTest, ::testing::ValuesIn(ZipCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Cab32, ListedNamesTest, ::testing::ValuesIn(CabCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Tar32, ListedNamesTest, ::testing::ValuesIn(TarCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Unarj32j, ListedNamesTest, ::testing::ValuesIn(ArjCases()), CaseName);

}  // namespace
