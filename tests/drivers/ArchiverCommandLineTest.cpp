// The two pieces every driver's command line ends with: the archive and its
// base directory, then the file list (on the line or through the response
// file) and UserFileList.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drivers/base/Archiver.h"
#include "drivers/base/CmdOpt.h"
#include "drivers/base/UnsetMarker.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/TempDir.h"

namespace {
// A driver with no library, to reach the shared pieces.
class TTailArchiver : public TArchiver {
 public:
  using TArchiver::AddArchiveAndDirectory;
  using TArchiver::AddFileList;
};

TEST(ArchiverCommandLineTest, ArchiveNameThenBaseDirectory) {
  TTailArchiver archiver;
  const struct {
    const char* name;
    std::string archive;
    std::string directory;
    std::string expected;
  } cases[] = {
      {"WithDirectory", "/a b.lzh", "/out", R"( "/a b.lzh" "/out/")"},
      {"EmptyDirectory", "/a.lzh", "", R"( "/a.lzh")"},
      {"UnsetDirectory", "/a.lzh", UnsetMarker(), R"( "/a.lzh")"},
      {"UnsetArchive", UnsetMarker(), "/out/", R"( "/out/")"},
  };
  for (const auto& c : cases) {
    TCmdOpt builder;
    archiver.AddArchiveAndDirectory(builder, c.archive, c.directory);
    EXPECT_EQ(builder.Text, c.expected) << c.name;
  }
}

TEST(ArchiverCommandLineTest, FileListThenUserFileList) {
  TempDir temp;
  const std::string responseFile = temp / "list.txt";
  TTailArchiver archiver;
  const TStringList files = ListOf({"x.txt", "y z.txt"});
  const struct {
    const char* name;
    bool withFiles;
    bool useResponseFile;
    std::string resFileName;
    std::string userFileList;
    std::string expected;
  } cases[] = {
      {"NoListStillAppendsUserFileList", false, true, responseFile, "", " "},
      {"NoListWithUserFileList", false, false, "", "-x *.o", " -x *.o"},
      {"NamesOnTheLine", true, false, responseFile, "", R"( "x.txt" "y z.txt" )"},
      {"EmptyResFileNameKeepsNamesOnTheLine", true, true, "", "", R"( "x.txt" "y z.txt" )"},
      {"UnsetResFileNameKeepsNamesOnTheLine", true, true, UnsetMarker(), "", R"( "x.txt" "y z.txt" )"},
      {"ResponseFile", true, true, responseFile, "more", " \"@" + responseFile + "\" more"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(responseFile);
    TArchiverOptions options;
    options.ResFileName = c.resFileName;
    options.UserFileList = c.userFileList;
    TCmdOpt builder;
    archiver.AddFileList(builder, options, c.withFiles ? &files : nullptr, c.useResponseFile);
    EXPECT_EQ(builder.Text, c.expected);
    const bool written = c.expected.find('@') != std::string::npos;
    EXPECT_EQ(std::filesystem::exists(responseFile), written);
    if (written) {
      EXPECT_EQ(ReadFile(responseFile), "\"x.txt\"\r\n\"y z.txt\"\r\n");
    }
  }
}
}  // namespace
