// Archives made to write outside the folder they are extracted into: names
// that climb or are absolute, links followed by entries through them, links
// already in the target, hard links, devices and FIFOs. Whatever they hold,
// nothing outside the base directory changes; what is passed over is named
// in the report, and a line that writes nothing at all is no success.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "libraries/core/read/NameText.h"
#include "libraries/core/read/Utf8Locale.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

struct Member {
  std::string path;
  char type = 'f';       // f file, d folder, l symbolic link, h hard link, c character device, p FIFO
  std::string data{};    // a file's bytes
  std::string target{};  // a link's
};

struct ArchiveFree {
  void operator()(struct archive* archive) const { archive_write_free(archive); }
};
struct EntryFree {
  void operator()(struct archive_entry* entry) const { archive_entry_free(entry); }
};

// Writes `members` as they are, names included, with libarchive's writer.
void WriteArchive(const std::string& path, const std::string& format, const std::vector<Member>& members) {
  // The 7z writer makes names UTF-16 from the locale's text: UTF-8 here.
  std::optional<dv::ScopedUtf8Locale> utf8;
  if (format == "7z") utf8.emplace();
  std::unique_ptr<struct archive, ArchiveFree> writer(archive_write_new());
  ASSERT_EQ(format == "zip"  ? archive_write_set_format_zip(writer.get())
            : format == "7z" ? archive_write_set_format_7zip(writer.get())
                             : archive_write_set_format_pax_restricted(writer.get()),
            ARCHIVE_OK);
  ASSERT_EQ(archive_write_open_filename(writer.get(), path.c_str()), ARCHIVE_OK);
  for (const Member& member : members) {
    std::unique_ptr<struct archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), member.path.c_str());
    archive_entry_set_mtime(entry.get(), 1000000000, 0);
    archive_entry_set_perm(entry.get(), member.type == 'd' ? 0755 : 0644);
    switch (member.type) {
      case 'd': archive_entry_set_filetype(entry.get(), AE_IFDIR); break;
      case 'l':
        archive_entry_set_filetype(entry.get(), AE_IFLNK);
        archive_entry_set_symlink(entry.get(), member.target.c_str());
        break;
      case 'h':
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_hardlink(entry.get(), member.target.c_str());
        break;
      case 'c': archive_entry_set_filetype(entry.get(), AE_IFCHR); break;
      case 'p': archive_entry_set_filetype(entry.get(), AE_IFIFO); break;
      default:
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(member.data.size()));
    }
    ASSERT_GE(archive_write_header(writer.get(), entry.get()), ARCHIVE_WARN) << member.path;
    if (!member.data.empty()) {
      ASSERT_EQ(archive_write_data(writer.get(), member.data.data(), member.data.size()),
                static_cast<la_ssize_t>(member.data.size()));
    }
  }
  ASSERT_EQ(archive_write_close(writer.get()), ARCHIVE_OK);
}

// "@OUT" in a name or target stands for the absolute path of the folder
// beside the base directory.
std::vector<Member> Resolve(std::vector<Member> members, const std::string& outside) {
  for (Member& member : members)
    for (std::string* text : {&member.path, &member.target})
      if (const auto at = text->find("@OUT"); at != std::string::npos) text->replace(at, 4, outside);
  return members;
}

struct Hostile {
  std::string name, format;  // "tar", "zip", "7z" or "arj"
  std::vector<Member> members;
  std::string switches;  // extra switches on the line
  int code;
  std::vector<std::string> base;  // PathsUnder the base directory afterwards
  std::function<void(const TempDir&)> prepare = [](const TempDir&) {};
  std::string names{};               // the line's names, after the base directory
  std::vector<std::string> named{};  // what the report names as passed over
  friend std::ostream& operator<<(std::ostream& out, const Hostile& value) { return out << value.name; }
};

std::vector<Hostile> Cases() {
  const auto nothing = [](const TempDir&) {};
  const auto link = [](const TempDir& dir, const std::string& name, const std::string& target) {
    std::filesystem::create_directories(dir / "base");
    std::filesystem::create_directory_symlink(target, dir / ("base/" + name));
  };
  // clang-format off
  return {
      {"ClimbingAndAbsoluteNames", "tar",
       {{"../outside/evil1", 'f', "x"}, {"@OUT/evil2", 'f', "x"}, {"a/../../outside/evil3", 'f', "x"},
        {"ok/../../../outside/evil4", 'f', "x"}, {"ok.txt", 'f', "fine"}},
       "", code::kUnsafeEntry, {"ok.txt"}},
      {"ZipClimbingAndAbsoluteNames", "zip",
       {{"../outside/evil1", 'f', "x"}, {"@OUT/evil2", 'f', "x"}, {"ok.txt", 'f', "fine"}}, "", code::kUnsafeEntry,
       {"ok.txt"}},
      {"ClimbingNamesWithJunkPaths", "zip", {{"../outside/evil1", 'f', "x"}, {"d/ok.txt", 'f', "fine"}}, "-j",
       code::kUnsafeEntry, {"ok.txt"}},
      {"ArjClimbingNamesEitherSeparator", "arj",
       {{"../outside/evil1", 'f', "x"}, {"..\\outside\\evil2", 'f', "x"}, {"ok.txt", 'f', "fine"}}, "",
       code::kUnsafeEntry, {"ok.txt"}},
      // 0x5C after a Shift-JIS lead byte is the second half of 表 or ソ, not
      // a separator; one after a whole character still is. The names list
      // and extract as text.
      {"ArjShiftJisNamesClimbingAfterATrailByte", "arj",
       {{"\x95\x5c..\\..\\outside\\evil", 'f', "x"}, {"\x95\x5c\x83\x5c.txt", 'f', "sjis"},
        {"ok.txt", 'f', "fine"}},
       "", code::kUnsafeEntry, {"ok.txt", "表ソ.txt"}},
      // The links are never made, so what follows them lands in folders.
      {"LinkThenAFileThroughIt", "tar",
       {{"abs", 'l', "", "@OUT"}, {"abs/evil1", 'f', "x"}, {"rel", 'l', "", "../outside"}, {"rel/evil2", 'f', "x"}},
       "", code::kOk, {"abs/", "abs/evil1", "rel/", "rel/evil2"}},
      {"ZipLinkThenAFileThroughIt", "zip", {{"rel", 'l', "", "../outside"}, {"rel/evil", 'f', "x"}}, "", code::kOk,
       {"rel/", "rel/evil"}},
      {"LinkAlreadyInTheTarget", "tar", {{"pre/evil", 'f', "x"}, {"ok.txt", 'f', "fine"}}, "", code::kUnsafeEntry,
       {"ok.txt", "pre@"}, [=](const TempDir& dir) { link(dir, "pre", dir / "outside"); }},
      // Overwriting replaces the link itself, never the file it points at.
      {"FileOverALinkAlreadyInTheTarget", "tar", {{"pre", 'f', "replaced"}}, "--overwrite", code::kOk, {"pre"},
       [](const TempDir& dir) {
         std::filesystem::create_directories(dir / "base");
         std::filesystem::create_symlink(dir / "outside/keep", dir / "base/pre");
       }},
      {"FileOverALinkIsKeptWithoutOverwrite", "tar", {{"pre", 'f', "replaced"}}, "", code::kOk, {"pre@"},
       [](const TempDir& dir) {
         std::filesystem::create_directories(dir / "base");
         std::filesystem::create_symlink(dir / "outside/keep", dir / "base/pre");
       }},
      {"HardLinksOutOfTheArchive", "tar",
       {{"hl1", 'h', "", "../outside/keep"}, {"hl2", 'h', "", "@OUT/keep"}, {"hl3", 'h', "", "not/there"}}, "",
       code::kNothingWritten, {}, nothing, "", {"hl1", "hl2", "hl3"}},
      {"HardLinkToAnEarlierEntryIsACopy", "tar", {{"first", 'f', "same"}, {"second", 'h', "", "first"}}, "",
       code::kOk, {"first", "second"}},
      {"DevicesAndFifos", "tar", {{"dev", 'c'}, {"fifo", 'p'}, {"ok.txt", 'f', "fine"}}, "", code::kOk, {"ok.txt"},
       nothing, "", {"dev", "fifo"}},
      // Selected alone, what is never made leaves nothing written: an error.
      {"OnlyASymlinkSelected", "tar", {{"ok.txt", 'f', "fine"}, {"表示/ソフト.lnk", 'l', "", "../ok.txt"}}, "",
       code::kNothingWritten, {}, nothing, R"("表示/ソフト.lnk")", {"表示/ソフト.lnk"}},
      {"ZipOnlyASymlinkSelected", "zip", {{"ok.txt", 'f', "fine"}, {"lnk", 'l', "", "ok.txt"}}, "",
       code::kNothingWritten, {}, nothing, R"("lnk")", {"lnk"}},
      {"OnlyLinksDevicesAndFifos", "tar",
       {{"lnk", 'l', "", "@OUT/keep"}, {"hl", 'h', "", "not/there"}, {"dev", 'c'}, {"能.fifo", 'p'}}, "",
       code::kNothingWritten, {}, nothing, "", {"lnk", "hl", "dev", "能.fifo"}},
      {"JunkedFoldersAndALink", "tar", {{"d/", 'd'}, {"d/lnk", 'l', "", "x"}}, "--use-directory=0",
       code::kNothingWritten, {}, nothing, "", {"d/lnk"}},
      // A folder made is something written.
      {"FolderAndALinkInIt", "tar", {{"d/", 'd'}, {"d/lnk", 'l', "", "x"}}, "", code::kOk, {"d/"}, nothing, "",
       {"d/lnk"}},
      // A '\' in a 7z name parts folders, as 7-Zip on Windows reads it.
      {"SevenZipClimbingAndAbsoluteNames", "7z",
       {{"../outside/evil1", 'f', "x"}, {"@OUT/evil2", 'f', "x"}, {"a/../../outside/evil3", 'f', "x"},
        {"..\\outside\\evil4", 'f', "x"}, {"表示/ソフト.txt", 'f', "fine"}},
       "", code::kUnsafeEntry, {"表示/", "表示/ソフト.txt"}},
      {"SevenZipLinkThenAFileThroughIt", "7z", {{"rel", 'l', "", "../outside"}, {"rel/evil", 'f', "x"}}, "",
       code::kOk, {"rel/", "rel/evil"}, nothing, "", {"rel"}},
      {"SevenZipFileOverALinkAlreadyInTheTarget", "7z", {{"pre", 'f', "replaced"}}, "-aoa", code::kOk, {"pre"},
       [](const TempDir& dir) {
         std::filesystem::create_directories(dir / "base");
         std::filesystem::create_symlink(dir / "outside/keep", dir / "base/pre");
       }},
      {"SevenZipOnlyALinkSelected", "7z", {{"ok.txt", 'f', "fine"}, {"lnk", 'l', "", "ok.txt"}}, "",
       code::kNothingWritten, {}, nothing, R"("lnk")", {"lnk"}},
      // Nothing selected at all: refused before anything is made.
      {"EmptyArchive", "zip", {}, "", code::kNoMatch, {}},
      {"ExclusionsLeaveNothing", "tar", {{"ok.txt", 'f', "fine"}}, "--exclude=*", code::kNoMatch, {}},
  };
  // clang-format on
}

class HostileExtractTest : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileExtractTest, NothingOutsideTheBaseChanges) {
  const Hostile& row = GetParam();
  TempDir dir;
  WriteFile(dir / "outside/keep", "keep");
  row.prepare(dir);
  const std::vector<Member> members = Resolve(row.members, dir / "outside");
  const std::string archive = dir / ("x." + row.format);
  std::string line, library;
  if (row.format == "arj") {
    std::string bytes = ArjMainHeader();
    for (const Member& member : members) {
      ArjEntry entry;
      entry.name = member.path;
      entry.data = member.data;
      bytes += ArjFile(entry);
    }
    WriteFile(archive, bytes + ArjEnd());
    library = "UNARJ32J.DLL";
    line = "x -+ " + row.switches + " \"" + archive + "\" \"" + (dir / "base") + "/\"";
  } else if (row.format == "7z") {
    WriteArchive(archive, "7z", members);
    library = "7-ZIP32.DLL";
    line = "x -aos -y " + row.switches + " \"" + archive + "\" \"" + (dir / "base") + "/\"";
  } else if (row.format == "zip") {
    WriteArchive(archive, "zip", members);
    library = "UNZIP32.DLL";
    line = "-x " + row.switches + " \"" + archive + "\" \"" + (dir / "base") + "/\"";
  } else {
    WriteArchive(archive, "tar", members);
    library = "tar32.dll";
    line = "x " + row.switches + " -f \"" + archive + "\" -o \"" + (dir / "base") + "/\"";
  }
  line += " " + row.names;
  const ArchiverLibrary loaded(LibraryFor(library));
  // The archive holds the names as written, hostile parts and all.
  std::vector<std::string> written, listed;
  // ARJ names are the one kind written here in CP932; they list as text.
  for (const Member& member : members)
    written.push_back(row.format == "arj" ? dv::StoredNameAsText(member.path) : member.path);
  for (const ENTRYINFO& record : ListArchive(loaded.api(), archive).records) listed.push_back(record.szFileName);
  ASSERT_EQ(listed, written);
  const CommandRun run = RunLine(loaded, LibraryFor(library).commands.front(), line);
  EXPECT_EQ(run.code, row.code) << run.report;
  for (const std::string& name : row.named) EXPECT_NE(run.report.find(name), std::string::npos) << run.report;
  EXPECT_EQ(PathsUnder(dir / "outside"), std::vector<std::string>{"keep"});
  EXPECT_EQ(ReadFile(dir / "outside/keep"), "keep");
  if (std::filesystem::exists(dir / "base")) {
    EXPECT_EQ(PathsUnder(dir / "base"), row.base);
  } else {
    EXPECT_TRUE(row.base.empty());
  }
  // The files written hold the archive's own data.
  for (const Member& member : members) {
    const bool written = std::find(row.base.begin(), row.base.end(), member.path) != row.base.end();
    if (member.type != 'f' || !written) continue;
    EXPECT_EQ(ReadFile(dir / ("base/" + member.path)), member.data) << member.path;
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, HostileExtractTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
