// Extraction through every reading library: the bytes each one writes
// against another tool's extraction of the same archive or the files it was
// made from, and what the lines' switches and names change.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ostream>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace {

std::string CommandOf(const std::string& library) { return LibraryFor(library).commands.front(); }

const Files kFiles = ThreeFiles(60);

// An archive a tool makes of kFiles (run in src/, making ../x.<ext>).
struct Made {
  std::string name, library, make, archive;
  friend std::ostream& operator<<(std::ostream& out, const Made& value) { return out << value.name; }
};

// A stored RAR of kFiles from the fixture builder (no tool here writes RAR),
// behind `stub` when it is not empty.
std::string Rar(int version, const std::string& stub = "") {
  return FixturePython(
      "import rar\nrar.write('../x.rar', rar.from_files(['a.txt', 'd', 'd/b.txt', 'd/e',"
      " 'd/e/c.txt']), " +
      std::to_string(version) + ", " + stub + ")");
}

// A ZIP of kFiles behind a 40000-byte stub, its offsets left as made.
const char* kZipBehindStub =
    "zip -X -q -r x.zip a.txt d && printf MZ > ../x.exe && head -c 40000 /dev/zero >> ../x.exe"
    " && cat x.zip >> ../x.exe && rm x.zip";

// Archives 7-Zip here unpacks whole: its files are the expected ones (the
// files they were made from, checked too).
class SevenZipMadeTest : public ::testing::TestWithParam<Made> {};

TEST_P(SevenZipMadeTest, WritesWhat7zWrites) {
  const Made& row = GetParam();
  TempDir dir;
  MakeFiles(dir, kFiles);
  RunIn(dir, "cd src && " + row.make);
  const std::string archive = dir / row.archive;
  const ArchiverLibrary library(LibraryFor(row.library));
  const CommandRun run = RunLine(library, CommandOf(row.library), ExtractLine(row.library, archive, dir / "ours"));
  EXPECT_EQ(run.code, code::kOk) << run.report;
  RunOrFail("7z x -y -o" + Quote(dir / "7z") + " " + Quote(archive) + " > /dev/null");
  EXPECT_EQ(FilesUnder(dir / "7z"), kFiles) << "7-Zip unpacks something else";
  EXPECT_EQ(FilesUnder(dir / "ours"), kFiles);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, SevenZipMadeTest,
    ::testing::Values(Made{"LhaLevel0", "UNLHA32.DLL", "jlha a0 ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaLevel1", "UNLHA32.DLL", "jlha a1 ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaLevel2", "UNLHA32.DLL", "jlha a2 ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaStored", "UNLHA32.DLL", "jlha az ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaLh5", "UNLHA32.DLL", "jlha ao5 ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaLh6", "UNLHA32.DLL", "jlha ao6 ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaLh7", "UNLHA32.DLL", "jlha ao7 ../x.lzh a.txt d > /dev/null", "x.lzh"},
                      Made{"LhaWithJunk", "UNLHA32.DLL",
                           "jlha a ../x.lzh a.txt d > /dev/null && printf 'junk data!!!!' >> ../x.lzh", "x.lzh"},
                      Made{"CabStored", "CAB32.DLL", "gcab -c ../x.cab a.txt d/b.txt d/e/c.txt", "x.cab"},
                      Made{"CabMszip", "CAB32.DLL", "gcab -cz ../x.cab a.txt d/b.txt d/e/c.txt", "x.cab"},
                      Made{"Rar4", "UNRAR32.DLL", Rar(4), "x.rar"}, Made{"Rar5", "UNRAR32.DLL", Rar(5), "x.rar"},
                      // 7-Zip looks for an archive behind a stub in an .exe only.
                      Made{"Rar5Sfx", "UNRAR32.DLL", Rar(5, "b'MZ' + bytes(70000)") + " && mv ../x.rar ../x.exe",
                           "x.exe"},
                      Made{"SevenZipSfxByP7zip", "7-ZIP32.DLL",
                           "7z a -bd -sfx/usr/lib/p7zip/7zCon.sfx ../x.exe a.txt d > /dev/null", "x.exe"},
                      Made{"ZipMsdosTimes", "UNZIP32.DLL", "zip -X -q -r ../x.zip a.txt d", "x.zip"},
                      Made{"ZipLengthAtEnd", "UNZIP32.DLL", "zip -q -r - a.txt d > ../x.zip", "x.zip"},
                      Made{"ZipSfxOffsetsAsMade", "LMZIP32.DLL", kZipBehindStub, "x.exe"},
                      Made{"Zip64LocalHeaders", "UNZIP32.DLL",
                           "python3 -c \"import zipfile; z = zipfile.ZipFile('../x.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                           "for name in ('a.txt', 'd/b.txt', 'd/e/c.txt'):\n"
                           "    z.open(name, 'w', force_zip64=True).write(open(name, 'rb').read())\n"
                           "z.close()\"",
                           "x.zip"}),
    [](const auto& info) { return info.param.name; });

// Stored and packed entries come out as the files they were made from;
// encrypted ("garbled") ones are refused before anything is written.
TEST(ArjExtract, StoredAndPackedEntriesComeOutAndGarbledOnesAreRefusedBeforeAnythingIsWritten) {
  struct Row {
    const char* switches;  // arj's
    const char* archive;
    int code;
    bool written;  // the files come out; otherwise the output folder is never made
  };
  for (const Row& row : {Row{"-m0", "stored.arj", code::kOk, true}, Row{"-m1", "packed.arj", code::kOk, true},
                         Row{"-m1 -gsecret", "garbled.arj", code::kMethodNotSupported, false}}) {
    SCOPED_TRACE(row.switches);
    TempDir dir;
    MakeFiles(dir, kFiles);
    RunIn(dir, std::string("cd src && arj a ") + row.switches + " -r ../" + row.archive + " '*' > /dev/null");
    const ArchiverLibrary library(LibraryFor("UNARJ32J.DLL"));
    const CommandRun run = RunLine(library, "Unarj", ExtractLine("UNARJ32J.DLL", dir / row.archive, dir / "out"));
    EXPECT_EQ(run.code, row.code) << run.report;
    if (row.written)
      EXPECT_EQ(FilesUnder(dir / "out"), kFiles);
    else
      EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  }
}

// A stored entry whose data fails its CRC is not written, not even in part,
// and the entries before it stay.
TEST(ArjExtract, DataFailingItsCrcLeavesNoFile) {
  TempDir dir;
  ArjEntry good, bad;
  good.name = "good.txt";
  good.data = "good";
  bad.name = "bad.txt";
  bad.data = "0123456789";
  std::string second = ArjFile(bad);
  second[second.size() - 3] ^= 0x20;
  WriteFile(dir / "x.arj", ArjMainHeader() + ArjFile(good) + second + ArjEnd());
  const ArchiverLibrary library(LibraryFor("UNARJ32J.DLL"));
  const CommandRun run = RunLine(library, "Unarj", ExtractLine("UNARJ32J.DLL", dir / "x.arj", dir / "out"));
  EXPECT_EQ(run.code, code::kBrokenArchive) << run.report;
  EXPECT_EQ(PathsUnder(dir / "out"), std::vector<std::string>{"good.txt"});
}

// Each library's line, with the switches that drop folders or overwrite,
// over an archive of a.txt, d/b.txt and d/e/c.txt into a folder that
// already holds a.txt.
struct SwitchCase {
  std::string name, library, tool, archive, line;
  bool overwrites, keepsFolders;
  friend std::ostream& operator<<(std::ostream& out, const SwitchCase& value) { return out << value.name; }
};

std::vector<SwitchCase> SwitchCases() {
  const std::string lzh = "jlha a ../x.lzh a.txt d > /dev/null", zip = "zip -q -r ../x.zip a.txt d",
                    cab = "gcab -c ../x.cab a.txt d/b.txt d/e/c.txt", tar = "tar cf ../x.tar a.txt d",
                    sevenZip = "7z a -bd ../x.7z a.txt d > /dev/null";
  return {
      {"LhaKeepsExisting", "UNLHA32.DLL", lzh, "x.lzh", R"(x -+  "@A" "@O/")", false, true},
      {"LhaC1Overwrites", "UNLHA32.DLL", lzh, "x.lzh", R"(x -+ -c1  "@A" "@O/")", true, true},
      {"LhaX0DropsFolders", "UNLHA32.DLL", lzh, "x.lzh", R"(x -+ -x0  "@A" "@O/")", false, false},
      {"LhaWordEDropsFolders", "UNLHA32.DLL", lzh, "x.lzh", R"(e -+  "@A" "@O/")", false, false},
      {"UnzipKeepsExisting", "UNZIP32.DLL", zip, "x.zip", R"(-x  "@A" "@O/")", false, true},
      {"UnzipOOverwrites", "UNZIP32.DLL", zip, "x.zip", R"(-x -o  "@A" "@O/")", true, true},
      {"UnzipJDropsFolders", "LMZIP32.DLL", zip, "x.zip", R"(-x -j --i  "@A" "@O/")", false, false},
      {"CabKeepsExisting", "CAB32.DLL", cab, "x.cab", R"(-x -i  "@A" "@O/")", false, true},
      {"CabOOverwritesJDropsFolders", "CAB32.DLL", cab, "x.cab", R"(-x -o -j  "@A" "@O/")", true, false},
      {"TarKeepsExisting", "tar32.dll", tar, "x.tar", R"(x  -f "@A" -o "@O/")", false, true},
      {"TarOverwriteOnRequest", "tar32.dll", tar, "x.tar", R"(x --overwrite -f "@A" -o "@O/")", true, true},
      {"TarUseDirectory0DropsFolders", "tar32.dll", tar, "x.tar", R"(x --use-directory=0 -f "@A" -o "@O/")", false,
       false},
      {"SevenZipKeepsExisting", "7-ZIP32.DLL", sevenZip, "x.7z", R"(x -y  "@A" "@O/")", false, true},
      {"SevenZipAosKeeps", "7-ZIP32.DLL", sevenZip, "x.7z", R"(x -aos -y "-o@O" "@A")", false, true},
      {"SevenZipAoaOverwrites", "7-ZIP32.DLL", sevenZip, "x.7z", R"(x -aoa -y -bd -r -t7z "-o@O/" "@A")", true, true},
      {"SevenZipWordEDropsFolders", "7-ZIP32.DLL", sevenZip, "x.7z", R"(e -aos -o@O "@A")", false, false},
      {"SevenZipEOverwritesOnRequest", "7-ZIP32.DLL", sevenZip, "x.7z", R"(e -aoa  "@A" "@O/")", true, false},
  };
}

std::string Fill(std::string line, const std::string& archive, const std::string& out) {
  line.replace(line.find("@A"), 2, archive);
  line.replace(line.find("@O"), 2, out);
  return line;
}

class ExtractSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(ExtractSwitchTest, OverwritesAndKeepsFoldersAsAsked) {
  const SwitchCase& row = GetParam();
  TempDir dir;
  MakeFiles(dir, kFiles);
  RunIn(dir, "cd src && " + row.tool);
  WriteFile(dir / "out/a.txt", "old");
  const ArchiverLibrary library(LibraryFor(row.library));
  const CommandRun run = RunLine(library, CommandOf(row.library), Fill(row.line, dir / row.archive, dir / "out"));
  EXPECT_EQ(run.code, code::kOk) << run.report;
  Files expected = kFiles;
  if (!row.keepsFolders) expected = {{"a.txt", "alpha\n"}, {"b.txt", kFiles.at("d/b.txt")}, {"c.txt", "charlie\n"}};
  if (!row.overwrites) expected["a.txt"] = "old";
  EXPECT_EQ(FilesUnder(dir / "out"), expected);
  EXPECT_EQ(run.report.find("existing kept") != std::string::npos, !row.overwrites) << run.report;
}

INSTANTIATE_TEST_SUITE_P(Libraries, ExtractSwitchTest, ::testing::ValuesIn(SwitchCases()),
                         [](const auto& info) { return info.param.name; });

TEST(RarExtract, OverwritesUnlessUKeepsAndEDropsFolders) {
  TempDir dir;
  RunIn(dir, FixturePython("import rar\nrar.write('x.rar', [('test.txt', b'top\\n', 1300000000),\n"
                           "    ('testdir', None, 1300000000), ('testdir/test.txt', b'inner\\n', 1300000000)], 4)"));
  const std::string archive = dir / "x.rar";
  WriteFile(dir / "keep/test.txt", "old");
  WriteFile(dir / "replace/test.txt", "old");
  const ArchiverLibrary library(LibraryFor("UNRAR32.DLL"));
  EXPECT_EQ(RunLine(library, "Unrar", "-x -u \"" + archive + "\" \"" + (dir / "keep") + "/\"").code, code::kOk);
  EXPECT_EQ(RunLine(library, "Unrar", "-x \"" + archive + "\" \"" + (dir / "replace") + "/\"").code, code::kOk);
  EXPECT_EQ(RunLine(library, "Unrar", "-e \"" + archive + "\" \"" + (dir / "flat") + "/\" \"testdir/*\"").code,
            code::kOk);
  EXPECT_EQ(FilesUnder(dir / "keep"), (Files{{"test.txt", "old"}, {"testdir/test.txt", "inner\n"}}));
  EXPECT_EQ(FilesUnder(dir / "replace"), (Files{{"test.txt", "top\n"}, {"testdir/test.txt", "inner\n"}}));
  EXPECT_EQ(FilesUnder(dir / "flat"), (Files{{"test.txt", "inner\n"}}));
}

// Names and patterns select entries (a folder brings what is in it); a name
// that selects nothing refuses the whole line before anything is written.
struct SelectCase {
  std::string name, library, names;
  int code;
  std::vector<std::string> paths;  // under the output folder
  friend std::ostream& operator<<(std::ostream& out, const SelectCase& value) { return out << value.name; }
};

class ExtractSelectTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(ExtractSelectTest, WritesWhatTheNamesSelect) {
  const SelectCase& row = GetParam();
  TempDir dir;
  MakeFiles(dir, kFiles);
  WriteFile(dir / "src/x[1].txt", "bracket");
  RunIn(dir, "cd src && jlha a ../x.lzh a.txt d 'x[1].txt' > /dev/null && zip -q -r ../x.zip a.txt d 'x[1].txt'");
  const bool lha = row.library == "UNLHA32.DLL";
  const ArchiverLibrary library(LibraryFor(row.library));
  const std::string line =
      (lha ? "x -+ \"" : "-x \"") + (dir / (lha ? "x.lzh" : "x.zip")) + "\" \"" + (dir / "out") + "/\" " + row.names;
  const CommandRun run = RunLine(library, CommandOf(row.library), line);
  EXPECT_EQ(run.code, row.code) << run.report;
  if (row.paths.empty()) {
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  } else {
    EXPECT_EQ(PathsUnder(dir / "out"), row.paths);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExtractSelectTest,
    ::testing::Values(
        SelectCase{"OneName", "UNLHA32.DLL", R"("d/b.txt")", code::kOk, {"d/", "d/b.txt"}},
        SelectCase{"PatternCrossesFolders", "UNLHA32.DLL", R"("*c.txt")", code::kOk, {"d/", "d/e/", "d/e/c.txt"}},
        SelectCase{"FolderBringsItsContents", "UNLHA32.DLL", R"("D/E")", code::kOk, {"d/", "d/e/", "d/e/c.txt"}},
        SelectCase{"LhaBracketIsAPlainCharacter", "UNLHA32.DLL", R"("x[1].txt")", code::kOk, {"x[1].txt"}},
        SelectCase{"ZipEscapedBracket", "UNZIP32.DLL", R"("x[[]1].txt")", code::kOk, {"x[1].txt"}},
        SelectCase{"ZipBracketSet", "UNZIP32.DLL", R"("[ax]*")", code::kOk, {"a.txt", "x[1].txt"}},
        SelectCase{"OneNameMatchesNothing", "UNZIP32.DLL", R"("a.txt" "missing.txt")", code::kNoMatch, {}},
        SelectCase{"ZipUnescapedBracketIsASet", "UNZIP32.DLL", R"("x[1].txt")", code::kNoMatch, {}}),
    [](const auto& info) { return info.param.name; });

// Files and folders get their stored times; modes keep the owner's access
// and lose the set-id bits and others' write.
TEST(ExtractStamps, TimesAndSafePermissionsAreRestored) {
  TempDir dir;
  WriteFile(dir / "src/run", "#!/bin/sh\n");
  WriteFile(dir / "src/setid", "s");
  WriteFile(dir / "src/open", "o");
  WriteFile(dir / "src/locked", "l");
  WriteFile(dir / "src/folder/inside", "i");
  RunIn(dir,
        "cd src && chmod 0750 run && chmod 04755 setid && chmod 0666 open && chmod 0444 locked"
        " && chmod 0777 folder && touch -d '2001-02-03 04:05:06' run setid open locked folder/inside"
        " && touch -d '2002-03-04 05:06:08' folder && tar cf ../x.tar run setid open locked folder");
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  EXPECT_EQ(RunLine(library, "Tar", ExtractLine("tar32.dll", dir / "x.tar", dir / "out")).code, code::kOk);
  // clang-format off
  const std::vector<std::pair<std::string, mode_t>> modes = {
      {"run", 0750}, {"setid", 0755}, {"open", 0644}, {"locked", 0644}, {"folder", 0755}, {"folder/inside", 0644}};
  for (const auto& [name, mode] : modes) {
    SCOPED_TRACE(name);
    struct stat source {}, extracted {};
    ASSERT_EQ(::stat((dir / ("src/" + name)).c_str(), &source), 0);
    ASSERT_EQ(::stat((dir / ("out/" + name)).c_str(), &extracted), 0);
    EXPECT_EQ(extracted.st_mode & 07777, mode);
    EXPECT_EQ(extracted.st_mtime, source.st_mtime);
  }
}

// A cabinet stores DOS attributes, not modes: a file marked read-only comes
// out read-only, any other readable and writable, none executable, as
// cabextract writes them.
TEST(ExtractStamps, CabinetReadOnlyFilesStayReadOnly) {
  TempDir dir;
  RunIn(dir, FixturePython("import cab\n"
                           "cab.write('x.cab', [[('ro.txt', b'r', 0x21), ('rw.txt', b'w'), ('hidden.txt', b'h', 0x23),"
                           " ('d\\\\in.txt', b'i', 0x01)]])"));
  const ArchiverLibrary library(LibraryFor("CAB32.DLL"));
  ASSERT_EQ(RunLine(library, "Cab", ExtractLine("CAB32.DLL", dir / "x.cab", dir / "out")).code, code::kOk);
  for (const auto& [name, mode] : std::vector<std::pair<std::string, mode_t>>{
           {"ro.txt", 0444}, {"rw.txt", 0644}, {"hidden.txt", 0444}, {"d/in.txt", 0444}}) {
    SCOPED_TRACE(name);
    struct stat extracted {};
    ASSERT_EQ(::stat((dir / ("out/" + name)).c_str(), &extracted), 0);
    EXPECT_EQ(extracted.st_mode & 07777, mode);
  }
}

// A plain .gz or .bz2 holds one file: it comes out under the archive's name
// without the extension.
TEST(ExtractPlainCompressed, WritesTheOneFile) {
  TempDir dir;
  const std::string data(70000, 'q');
  WriteFile(dir / "notes.txt", data);
  RunIn(dir, "gzip -c notes.txt > notes.txt.gz && bzip2 -c notes.txt > notes.txt.bz2");
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  for (const std::string archive : {"notes.txt.gz", "notes.txt.bz2"}) {
    SCOPED_TRACE(archive);
    const std::string out = dir / ("out-" + archive);
    EXPECT_EQ(RunLine(library, "Tar", ExtractLine("tar32.dll", dir / archive, out)).code, code::kOk);
    EXPECT_EQ(FilesUnder(out), (std::map<std::string, std::string>{{"notes.txt", data}}));
  }
}

// What a line names that is not there, or not the library's.
TEST(ExtractRefusals, MissingArchivesAndOtherFormatsWriteNothing) {
  TempDir dir;
  MakeFiles(dir, kFiles);
  RunIn(dir, "cd src && zip -q -r ../x.zip a.txt d");
  const ArchiverLibrary lha(LibraryFor("UNLHA32.DLL"));
  EXPECT_EQ(RunLine(lha, "Unlha", ExtractLine("UNLHA32.DLL", dir / "missing.lzh", dir / "out")).code,
            code::kArchiveNotFound);
  EXPECT_EQ(RunLine(lha, "Unlha", ExtractLine("UNLHA32.DLL", dir / "x.zip", dir / "out")).code, code::kNotAnArchive);
  EXPECT_EQ(RunLine(lha, "Unlha", ExtractLine("UNLHA32.DLL", dir / "src", dir / "out")).code, code::kArchiveNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

// An entry the file system refuses is named in the report with the reason;
// the others are written. A name of 300 bytes is longer than any file
// system here takes in one component.
TEST(ExtractFailures, TheEntryThatFailedIsNamedWithItsReason) {
  TempDir dir;
  const std::string longName(300, 'n');
  RunIn(dir, "python3 -c \"import tarfile, io\n"
             "with tarfile.open('x.tar', 'w', format=tarfile.GNU_FORMAT) as t:\n"
             "    for name in ['a.txt', '" + longName + "', '日本語.txt']:\n"
             "        info = tarfile.TarInfo(name); info.size = 3\n"
             "        t.addfile(info, io.BytesIO(b'abc'))\n\"");
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const CommandRun run = RunLine(library, "Tar", ExtractLine("tar32.dll", dir / "x.tar", dir / "out"));
  EXPECT_EQ(run.code, code::kCannotCreate);
  EXPECT_EQ(run.report, "2 extracted, 1 failed: " + longName + " (File name too long)");
  EXPECT_EQ(FilesUnder(dir / "out"), (std::map<std::string, std::string>{{"a.txt", "abc"}, {"日本語.txt", "abc"}}));
}

// An entry of a method the library cannot unpack refuses the line before
// anything is written, naming the entry and its method; entries of other
// methods alone still come out. Made in src/ holding a.txt and 日本語.txt.
struct MethodCase {
  std::string name, library, make, archive, names;
  int code;
  std::string report;
  Files files;  // what the run writes
  friend std::ostream& operator<<(std::ostream& out, const MethodCase& value) { return out << value.name; }
};

const std::string k7zIn = "LC_ALL=C.UTF-8 7z a -bd ";
// Long enough that 7-Zip packs it rather than storing it.
std::string Nihongo() {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "nihongo " + std::to_string(i) + "\n";
  return text;
}
// a.txt by Deflate64, then 日本語.txt by LZMA added as a folder of its own.
const std::string kTwoFolders =
    k7zIn + "-m0=Deflate64 ../x.7z a.txt > /dev/null && " + k7zIn + "-m0=LZMA ../x.7z 日本語.txt > /dev/null";

std::vector<MethodCase> MethodCases() {
  return {
      {"ZipDeflate64Entry", "UNZIP32.DLL",
       k7zIn + "-tzip -mm=Deflate64 ../x.zip 日本語.txt > /dev/null && zip -q ../x.zip a.txt", "x.zip", "",
       code::kMethodNotSupported, "nothing extracted, 1 of a method not supported: 日本語.txt (deflation-64-bit)", {}},
      {"SevenZipArm64Filter", "7-ZIP32.DLL", k7zIn + "-mf=ARM64 ../x.7z a.txt 日本語.txt > /dev/null", "x.7z", "",
       code::kMethodNotSupported, "nothing extracted, 2 of a method not supported: a.txt (ARM64), 日本語.txt (ARM64)",
       {}},
      {"SevenZipFolderOfDeflate64BesideLzma", "7-ZIP32.DLL", kTwoFolders, "x.7z", "", code::kMethodNotSupported,
       "nothing extracted, 1 of a method not supported: a.txt (Deflate64)", {}},
      {"SevenZipLzmaEntryAloneSelected", "7-ZIP32.DLL", kTwoFolders, "x.7z", "日本語.txt", code::kOk, "1 extracted",
       {{"日本語.txt", Nihongo()}}},
  };
  // clang-format on
}

class UnsupportedMethodTest : public ::testing::TestWithParam<MethodCase> {};

TEST_P(UnsupportedMethodTest, IsRefusedBeforeAnythingIsWritten) {
  const MethodCase& row = GetParam();
  TempDir dir;
  WriteFile(dir / "src/a.txt", std::string(3000, 'a'));
  WriteFile(dir / "src/日本語.txt", Nihongo());
  RunIn(dir, "cd src && " + row.make);
  const ArchiverLibrary library(LibraryFor(row.library));
  const CommandRun run =
      RunLine(library, CommandOf(row.library), ExtractLine(row.library, dir / row.archive, dir / "out", row.names));
  EXPECT_EQ(run.code, row.code) << run.report;
  EXPECT_EQ(run.report, row.report);
  EXPECT_EQ(std::filesystem::exists(dir / "out") ? FilesUnder(dir / "out") : Files{}, row.files);
}

INSTANTIATE_TEST_SUITE_P(Libraries, UnsupportedMethodTest, ::testing::ValuesIn(MethodCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
