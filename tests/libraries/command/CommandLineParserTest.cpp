// The command languages: each line a driver (or a user's own options) can
// send, parsed into what the library will do, or refused with its code
// before anything is touched.
#include <gtest/gtest.h>

#include <ostream>

#include "libraries/core/command/CommandParser.h"
#include "libraries/core/read/Compressions.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/support/TempDir.h"

namespace {

using dv::CommandLanguage;
using L = CommandLanguage;

std::string ListText(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : "|") + item;
  return "[" + text + "]";
}

// The parsed command as one line; only what differs from the defaults
// (no junk paths, keep existing files, no recursion, folder entries, level
// -1, no compression) is named after the archive and its lists.
std::string Render(const dv::Command& c) {
  std::string text = std::string(dv::OperationName(c.operation)) + " archive=" + c.archive +
                     " base=" + c.baseDirectory + " names=" + ListText(c.names);
  if (!c.excludes.empty()) text += " excludes=" + ListText(c.excludes);
  if (c.syntax == dv::WildcardSyntax::kBrackets) text += " brackets";
  if (c.junkPaths) text += " junk";
  if (c.overwrite) text += " overwrite";
  if (c.recurse) text += " recurse";
  if (!c.directoryEntries) text += " no-folders";
  if (c.dateArchiveToNewest) text += " date-archive";
  if (c.dropStub) text += " drop-stub";
  if (c.level != -1) text += " level=" + std::to_string(c.level);
  if (c.compression != nullptr) text += std::string(" ") + c.compression->name;
  return text;
}

struct ParseCase {
  const char* name;
  CommandLanguage language;
  std::string line;
  int error = code::kOk;
  std::string parsed{};  // when error is kOk
  friend std::ostream& operator<<(std::ostream& out, const ParseCase& value) { return out << value.name; }
};

const ParseCase kCases[] = {
    // ---- LHA family, as TLha32 and TArj32 write it
    {"LhaDriverDefaults", L::kLha, R"(x -+  "/a.lzh" "/out/" "x.txt" )", code::kOk,
     "extract archive=/a.lzh base=/out/ names=[x.txt]"},
    {"LhaEverySwitchTheDriverWrites", L::kLha,
     R"(x -+ -a1 -c2 -e3 -f4 -h5 -i6 -l7 -m8 -n9 -o10 -p11 -r12 -s13 -t14 -u15 "-w/w/" -x16 -y17)"
     R"( -z18 -jc19 -jd20 -je21 -jf22 -jh23 -ji24 -jm25 -jn26 "-joO" "-jobB" -jp27 -jr28 -jss29)"
     R"( -jw30 "-jx*.bak" "-jxX2" -jyc31 -jyd32 -jyk33 -jyn34 -jyo35 "-jzZ" -ga36 -gd37 -ge38 -gf39)"
     R"( -gj40 -gm41 -gn42 -go43 -gp44 "-grR" -gs45 -gu46 -gw-2  "/a.lzh" "/out/" "x.txt" )",
     code::kOk, "extract archive=/a.lzh base=/out/ names=[x.txt] excludes=[*.bak|X2] overwrite"},
    {"LhaX0DropsFoldersC1Overwrites", L::kLha, R"(x -+ -x0 -c1  "a.lzh")", code::kOk,
     "extract archive=a.lzh base= names=[] junk overwrite"},
    {"LhaC0KeepsExistingFiles", L::kLha, R"(x -c0 "a.lzh")", code::kOk, "extract archive=a.lzh base= names=[]"},
    {"LhaWordEDropsFolders", L::kLha, R"(e -+  "a.lzh" "*.txt")", code::kOk,
     "extract archive=a.lzh base= names=[*.txt] junk"},
    {"LhaEmptyNamesAreDropped", L::kLha, R"(x -+  "a.lzh" "" "b c.txt" )", code::kOk,
     "extract archive=a.lzh base= names=[b c.txt]"},
    {"LhaNamesAfterTheArchiveAreNeverSwitches", L::kLha, R"(x "a.lzh" "out/" -n1 "-x0")", code::kOk,
     "extract archive=a.lzh base=out/ names=[-n1|-x0]"},
    {"LhaSecondFolderIsAName", L::kLha, R"(x "a.lzh" "out/" "sub/")", code::kOk,
     "extract archive=a.lzh base=out/ names=[sub/]"},
    {"LhaPackIsNotCarriedOut", L::kLha, R"(u -+  "/a.lzh" "/out/" "x.txt" )", code::kOk,
     "unsupported archive=/a.lzh base=/out/ names=[x.txt]"},
    {"LhaSelfExtractorIsNotCarriedOut", L::kLha, R"(s -+  "/a.lzh" "/out/" )", code::kOk,
     "unsupported archive=/a.lzh base=/out/ names=[]"},
    {"LhaUnknownWord", L::kLha, R"(q -+ "a.lzh")", code::kBadCommand},
    {"LhaQuotedWord", L::kLha, R"("x" "a.lzh")", code::kBadCommand},
    {"EmptyLine", L::kLha, "   ", code::kBadCommand},
    {"LhaUnknownSwitch", L::kLha, R"(x -Q "a.lzh")", code::kBadSwitch},
    {"LhaNumberSwitchWithText", L::kLha, R"(x -xz "a.lzh")", code::kBadSwitch},
    {"LhaNoArchive", L::kLha, "x -+ ", code::kBadLine},
    {"LhaEmptyArchiveName", L::kLha, R"(x -+  "" "out/")", code::kBadLine},
    {"UnclosedQuote", L::kLha, R"(x -+ "a.lzh)", code::kBadLine},
    {"QuoteInsideAToken", L::kLha, R"(x -+ a"b.lzh")", code::kBadLine},
    {"TextAfterAClosingQuote", L::kLha, R"(x -+ "a.lzh"x)", code::kBadLine},
    // ---- unzip, as TZip32's Unpack writes it
    {"UnzipDriverDefaults", L::kUnzip, R"(-x  "/a.zip" "/out/" "x[[]1].txt" )", code::kOk,
     "extract archive=/a.zip base=/out/ names=[x[[]1].txt] brackets"},
    {"UnzipEverySwitch", L::kUnzip, R"(-x -o --i -j -q  "/a.zip" "/src/" "sub/x.txt" )", code::kOk,
     "extract archive=/a.zip base=/src/ names=[sub/x.txt] brackets junk overwrite"},
    {"UnzipNKeepsExisting", L::kUnzip, R"(-x -o -n "a.zip")", code::kOk,
     "extract archive=a.zip base= names=[] brackets"},
    {"UnzipOtherWord", L::kUnzip, R"(-l "a.zip")", code::kBadCommand},
    {"UnzipUnknownSwitch", L::kUnzip, R"(-x -Z "a.zip")", code::kBadSwitch},
    {"UnzipQuotedSwitchIsTheArchive", L::kUnzip, R"(-x "-o" "a.zip")", code::kOk,
     "extract archive=-o base= names=[a.zip] brackets"},
    // ---- ZIP maker, as TZip32's Pack, RemoveItem, Update and MakeSFX write it
    {"ZipPackDefaults", L::kZip, R"( -D  "/a.zip" "/src/" "sub/x.txt" )", code::kOk,
     "add archive=/a.zip base=/src/ names=[sub/x.txt] brackets no-folders"},
    {"ZipPackEverySwitch", L::kZip, R"( -S -D -v -q -r -o -u -j -FF -k -9 -J  "/a.zip" "/src/" "sub/x.txt" )",
     code::kOk,
     "update archive=/a.zip base=/src/ names=[sub/x.txt] brackets junk recurse no-folders date-archive drop-stub "
     "level=9"},
    {"ZipStoreLevel", L::kZip, R"( -D -0  "a.zip" "x")", code::kOk,
     "add archive=a.zip base= names=[x] brackets no-folders level=0"},
    {"ZipDelete", L::kZip, R"(-d -D  "/a.zip" "sub/x.txt" )", code::kOk,
     "delete archive=/a.zip base= names=[sub/x.txt] brackets no-folders"},
    {"ZipDeleteWinsOverUpdate", L::kZip, R"(-d -D -u "/a.zip" "x")", code::kOk,
     "delete archive=/a.zip base= names=[x] brackets no-folders"},
    {"ZipFreshenWinsOverUpdate", L::kZip, R"(-u -f -D "/a.zip" "/src/")", code::kOk,
     "freshen archive=/a.zip base=/src/ names=[] brackets no-folders"},
    {"LmZipRecurseUpdateRunTogether", L::kZip, R"(-ru  "/a.zip" "x[1].txt" "sub\y.txt" )", code::kOk,
     "update archive=/a.zip base= names=[x[1].txt|sub\\y.txt] brackets recurse"},
    {"ZipExclusionsAfterX", L::kZip, R"( -D -r "a.zip" "src/" "." -x *.o "*.tmp")", code::kOk,
     "add archive=a.zip base=src/ names=[.] excludes=[*.o|*.tmp] brackets recurse no-folders"},
    {"ZipAdjustTakesTheRestOfTheLine", L::kZip, "-A /arc/my self.EXE", code::kOk,
     "adjust archive=/arc/my self.EXE base= names=[]"},
    {"ZipAdjustWithoutAName", L::kZip, "-A   ", code::kBadLine},
    {"ZipUnknownSwitch", L::kZip, R"( -D -P pw "/a.zip")", code::kBadSwitch},
    {"ZipUnknownLetterInARun", L::kZip, R"(-rZ "/a.zip")", code::kBadSwitch},
    // ---- CAB
    {"CabDriverDefaults", L::kCab, R"(-x  "/a.cab" "/out/" "x.txt" )", code::kOk,
     "extract archive=/a.cab base=/out/ names=[x.txt]"},
    {"CabEverySwitch", L::kCab, R"(-x -o -i -r -j -q -v "/a.cab" "/out/")", code::kOk,
     "extract archive=/a.cab base=/out/ names=[] junk overwrite"},
    {"CabCreateIsNotCarriedOut", L::kCab, R"(-a  "rel.cab" "/out/" "x.txt" )", code::kOk,
     "unsupported archive=rel.cab base=/out/ names=[x.txt]"},
    {"CabSelfExtractorIsNotCarriedOut", L::kCab, R"(-f  "rel.cab" "/out/" )", code::kOk,
     "unsupported archive=rel.cab base=/out/ names=[]"},
    // ---- RAR: existing files are overwritten unless -u keeps them
    {"RarDriverDefaults", L::kRar, R"(-x -u  "/a.rar" "/out/" "x.txt" )", code::kOk,
     "extract archive=/a.rar base=/out/ names=[x.txt]"},
    {"RarWithoutUOverwrites", L::kRar, R"(-x  "/a.rar" "/out/")", code::kOk,
     "extract archive=/a.rar base=/out/ names=[] overwrite"},
    {"RarWordEDropsFolders", L::kRar, R"(-e -u -y -s  "/a.rar")", code::kOk,
     "extract archive=/a.rar base= names=[] junk"},
    {"RarHasNoCreateWord", L::kRar, R"(-a "/a.rar" "x")", code::kBadCommand},
    // ---- tar32, as TTar32, TTgz32 and TBZ232 write it
    {"TarDriverDefaults", L::kTar, R"(x  -f "/a.tar" -o "/out/" "sub\x.txt" )", code::kOk,
     "extract archive=/a.tar base=/out/ names=[sub\\x.txt]"},
    {"TarCreateGzipLevel", L::kTar, R"(c -z9  -f "/a.tgz" -o "/src/" "x" )", code::kOk,
     "create archive=/a.tgz base=/src/ names=[x] level=9 gzip"},
    {"TarCreateBzip2Default", L::kTar, R"(c -B  -f "a.tbz" "x")", code::kOk,
     "create archive=a.tbz base= names=[x] bzip2"},
    {"TarEverySwitchAndAnExclusionAfterTheNames", L::kTar,
     R"(x -AH --display-dialog=0 -g --check-all-path=1 --use-directory=0 -z6 -v -f "/a.tar" -o "/out/")"
     R"( "sub\x.txt" --exclude=*.o)",
     code::kOk, "extract archive=/a.tar base=/out/ names=[sub\\x.txt] excludes=[*.o] junk level=6 gzip"},
    {"TarIKeepsFolders", L::kTar, R"(x -I --use-directory=1 -f "/a.tar")", code::kOk,
     "extract archive=/a.tar base= names=[]"},
    {"TarQuotedDashIsAName", L::kTar, R"(x -f "a.tar" "-notaswitch")", code::kOk,
     "extract archive=a.tar base= names=[-notaswitch]"},
    {"TarNoArchive", L::kTar, R"(x  "sub\x.txt" )", code::kBadLine},
    {"TarFWithoutValue", L::kTar, "x -f", code::kBadLine},
    {"TarTwoArchives", L::kTar, R"(x -f "a.tar" -f "b.tar")", code::kBadSwitch},
    {"TarGzipLevelTooHigh", L::kTar, R"(c -z10 -f "a.tgz" "x")", code::kBadSwitch},
    {"TarBzip2LevelZero", L::kTar, R"(c -B0 -f "a.tbz" "x")", code::kBadSwitch},
    {"TarXzLevelTooHigh", L::kTar, R"(c -J10 -f "a.txz" "x")", code::kBadSwitch},
    {"TarZstdLevelZero", L::kTar, R"(c --zstd=0 -f "a.tzst" "x")", code::kBadSwitch},
    {"TarZstdLevelTooHigh", L::kTar, R"(c --zstd=20 -f "a.tzst" "x")", code::kBadSwitch},
    {"TarUnknownWord", L::kTar, R"(t -f "a.tar")", code::kBadCommand},
    {"TarUnknownLongSwitch", L::kTar, R"(x --keep-newer-files -f "a.tar")", code::kBadSwitch},
    // ---- 7-ZIP32.DLL, as TSevenZip32 writes it, and 7-Zip's own forms
    {"SevenZipDriverExtract", L::kSevenZip, R"(x -aos -y  "/a.7z" "/out/" "x.txt" )", code::kOk,
     "extract archive=/a.7z base=/out/ names=[x.txt]"},
    {"SevenZipDriverPack", L::kSevenZip, R"(a -aoa -mx=9 -y  "/a.7z" "/src/" "x" )", code::kOk,
     "add archive=/a.7z base=/src/ names=[x] overwrite level=9"},
    {"SevenZipQuotedOutputWithBlanks", L::kSevenZip, R"(x "-o/out dir/表 ソ" -bd "/a.7z")", code::kOk,
     "extract archive=/a.7z base=/out dir/表 ソ names=[]"},
    {"SevenZipWordEUnquotedOutput", L::kSevenZip, R"(e -aoa -o/out -r "/a.7z")", code::kOk,
     "extract archive=/a.7z base=/out names=[] junk overwrite"},
    {"SevenZipLevelWithoutEqualsAndType", L::kSevenZip, R"(u -mx0 -t7z "a.7z" "x")", code::kOk,
     "update archive=a.7z base= names=[x] level=0"},
    {"SevenZipExclusion", L::kSevenZip, R"(x -x!*.o "a.7z")", code::kOk,
     "extract archive=a.7z base= names=[] excludes=[*.o]"},
    {"SevenZipDelete", L::kSevenZip, R"(d -y "a.7z" "d/x.txt")", code::kOk,
     "delete archive=a.7z base= names=[d/x.txt]"},
    {"SevenZipOtherType", L::kSevenZip, R"(a -tzip "a.7z" "x")", code::kBadSwitch},
    {"SevenZipLevelTooHigh", L::kSevenZip, R"(a -mx=10 "a.7z" "x")", code::kBadSwitch},
    {"SevenZipOutputWithoutFolder", L::kSevenZip, R"(x -o "a.7z")", code::kBadSwitch},
    {"SevenZipRenamingExisting", L::kSevenZip, R"(x -aou "a.7z")", code::kBadSwitch},
    {"SevenZipListWord", L::kSevenZip, R"(l "a.7z")", code::kBadCommand},
};

class CommandLineParserTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CommandLineParserTest, ParsesOrRefuses) {
  const ParseCase& row = GetParam();
  const dv::ParsedCommand parsed = dv::ParseCommandLine(row.language, row.line.c_str());
  EXPECT_EQ(parsed.error, row.error) << parsed.message;
  if (row.error == code::kOk) {
    EXPECT_EQ(Render(parsed.command), row.parsed);
  } else {
    EXPECT_FALSE(parsed.message.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, CommandLineParserTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineParser, NullLineIsRefused) { EXPECT_EQ(dv::ParseCommandLine(L::kLha, nullptr).error, code::kBadLine); }

// The drivers write one quoted name per CR LF line; the names stand where
// the reference does, among the line's own.
TEST(CommandLineParser, ResponseFileNamesTakeItsPlace) {
  TempDir dir;
  const std::string list = dir / "names list.txt";
  WriteFile(list, "\"a b.txt\"\r\n\"x[[]1].txt\"\r\n\"\"\r\n");
  const dv::ParsedCommand zip =
      dv::ParseCommandLine(L::kUnzip, ("-x  \"/a.zip\" \"first\" \"@" + list + "\" \"last\" ").c_str());
  ASSERT_EQ(zip.error, code::kOk) << zip.message;
  EXPECT_EQ(zip.command.names, (std::vector<std::string>{"first", "a b.txt", "x[[]1].txt", "last"}));
  const dv::ParsedCommand tar = dv::ParseCommandLine(L::kTar, ("c -f \"/a.tar\" \"@" + list + "\"").c_str());
  ASSERT_EQ(tar.error, code::kOk) << tar.message;
  EXPECT_EQ(tar.command.names, (std::vector<std::string>{"a b.txt", "x[[]1].txt"}));
}

TEST(CommandLineParser, UnreadableResponseFileRefusesTheLine) {
  TempDir dir;
  WriteFile(dir / "broken.txt", "\"unclosed\r\n");
  std::filesystem::create_directory(dir / "folder");
  for (const std::string& list : {dir / "missing.txt", dir / "broken.txt", dir / "folder"}) {
    SCOPED_TRACE(list);
    EXPECT_EQ(dv::ParseCommandLine(L::kLha, ("x \"a.lzh\" \"@" + list + "\"").c_str()).error, code::kCannotRead);
  }
}

}  // namespace
