// Encrypted entries: no line carries a password, so such an entry is passed
// over before anything of it is made (no file, no folder of its path), the
// archive's other entries are extracted, and the result says that a
// password was needed. The archive still lists whole.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

// 秘密/表.txt in UTF-8, and 表示/ソフト.txt in CP932, where 表 and ソ end in
// the byte 0x5C.
const std::string kUtf8Secret = "\xE7\xA7\x98\xE5\xAF\x86/\xE8\xA1\xA8.txt";
const std::string kCp932Secret = "\x95\x5C\x8E\xA6/\x83\x5C\x83\x74\x83\x67.txt";

struct EncryptedCase {
  std::string name;
  std::string library;
  std::string command;             // makes `archive` in src from a.txt, plain/p.txt and the secret files
  std::vector<std::string> names;  // to extract; none = all
  int code;
  std::vector<std::string> written;  // PathsUnder the output folder
  std::size_t listed = 4;            // entries the archive lists
  std::string archive = "x.zip";
  friend std::ostream& operator<<(std::ostream& out, const EncryptedCase& value) { return out << value.name; }
};

// Info-ZIP's traditional encryption (-D: no folder entries, so only a file
// entry could make its folder), with the names as bytes on disk.
const std::string kInfoZip = "LC_ALL=C zip -q -D -P secret x.zip " + Quote(kUtf8Secret) + " " + Quote(kCp932Secret) +
                             " && LC_ALL=C zip -q -D x.zip a.txt plain/p.txt";
const std::string kSevenZipAes = "LC_ALL=C.UTF-8 7z a -tzip -psecret -mem=AES256 x.zip " + Quote(kUtf8Secret) +
                                 " > /dev/null && LC_ALL=C.UTF-8 7z a -tzip x.zip a.txt plain/p.txt > /dev/null";
// 7z's AES: the secret in a folder of its own, the plain files in another.
const std::string kSevenZipEncrypted = "LC_ALL=C.UTF-8 7z a -bd -psecret x.7z " + Quote(kUtf8Secret) +
                                       " > /dev/null && LC_ALL=C.UTF-8 7z a -bd x.7z a.txt plain/p.txt > /dev/null";
const std::vector<std::string> kPlainOnes = {"a.txt", "plain/", "plain/p.txt"};

std::vector<EncryptedCase> EncryptedCases() {
  // clang-format off
  return {
      {"InfoZipTraditionalBesidePlainEntries", "UNZIP32.DLL", kInfoZip, {}, code::kEncrypted, kPlainOnes},
      {"SevenZipAesBesidePlainEntries", "UNZIP32.DLL", kSevenZipAes, {}, code::kEncrypted, kPlainOnes, 3},
      {"ThroughLmzip32", "LMZIP32.DLL", kInfoZip, {}, code::kEncrypted, kPlainOnes},
      {"OnlyTheEncryptedEntrySelected", "UNZIP32.DLL", kInfoZip, {kUtf8Secret}, code::kEncrypted, {}},
      {"OnlyAPlainEntrySelected", "UNZIP32.DLL", kInfoZip, {"a.txt"}, code::kOk, {"a.txt"}},
      {"SevenZipAesFolderBesideAPlainOne", "7-ZIP32.DLL", kSevenZipEncrypted, {}, code::kEncrypted, kPlainOnes, 3,
       "x.7z"},
      {"SevenZipOnlyTheEncryptedEntrySelected", "7-ZIP32.DLL", kSevenZipEncrypted, {kUtf8Secret}, code::kEncrypted,
       {}, 3, "x.7z"},
  };
  // clang-format on
}

class EncryptedEntriesTest : public ::testing::TestWithParam<EncryptedCase> {};

TEST_P(EncryptedEntriesTest, ArePassedOverWithNothingMadeAndTheRestComesOut) {
  const EncryptedCase& row = GetParam();
  TempDir dir;
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "src/plain/p.txt", "plain\n");
  WriteFile(dir / ("src/" + kUtf8Secret), "secret\n");
  WriteFile(dir / ("src/" + kCp932Secret), "soft\n");
  RunIn(dir, "cd src && " + row.command);
  const std::string archive = dir / ("src/" + row.archive);
  const ArchiverLibrary library(LibraryFor(row.library));
  std::string line = ExtractLine(row.library, archive, dir / "out");
  for (const std::string& name : row.names) line += " \"" + name + "\"";
  const CommandRun run = RunLine(library, library.entry().commands.front(), line);
  EXPECT_EQ(run.code, row.code) << run.report;
  EXPECT_EQ(PathsUnder(dir / "out"), row.written);
  for (const auto& [path, bytes] : FilesUnder(dir / "out")) EXPECT_EQ(bytes, ReadFile(dir / ("src/" + path))) << path;
  // The listing still gives every entry, the encrypted ones too.
  const Listing listed = ListArchive(library.api(), archive);
  EXPECT_EQ(listed.lines.size(), row.listed);
}

INSTANTIATE_TEST_SUITE_P(Archives, EncryptedEntriesTest, ::testing::ValuesIn(EncryptedCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
