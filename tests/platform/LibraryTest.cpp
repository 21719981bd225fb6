// Loading libraries by their bare names, as the drivers do.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/winapi/Library.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {
std::string ModulePath(HMODULE module) {
  char path[1024] = {};
  GetModuleFileNameA(module, path, sizeof path);
  return path;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(LibraryTest, BareNamesMatchIgnoringCaseInTheSearchOrder) {
  UseFakeLibraries({"lha_no_findnext", "lha"});
  HMODULE first = LoadLibraryByName("unlha32.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(EndsWith(ModulePath(first), "/fakes/lha_no_findnext/UNLHA32.DLL")) << ModulePath(first);
  EXPECT_NE(GetProcAddress(first, "UnlhaOpenArchive"), nullptr);
  EXPECT_EQ(GetProcAddress(first, "UnlhaFindNext"), nullptr);
  FreeLibrary(first);

  UseFakeLibraries({"lha"});
  HMODULE second = LoadLibraryByName("UNLHA32.DLL");
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(EndsWith(ModulePath(second), "/fakes/lha/UNLHA32.DLL")) << ModulePath(second);
  FreeLibrary(second);

  UseNoLibraries();
  EXPECT_EQ(LoadLibraryByName("UNLHA32.DLL"), nullptr) << "the test program's folder holds no library";
}

TEST(LibraryTest, ALibraryFoundThroughARelativeSearchFolderHasItsFullPath) {
  struct Case {
    const char* searched;  // DOVANEL_LIBRARY_PATH, relative to the folder "work"
    const char* holds;     // where the library lies, relative to the temporary folder
  };
  for (const Case c : {Case{"libs", "work/libs"}, Case{"./libs/", "work/libs"}, Case{"../x", "x"}}) {
    SCOPED_TRACE(c.searched);
    // A copy of its own, so that no library loaded earlier answers instead.
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "work");
    std::filesystem::create_directories(dir.path() / c.holds);
    std::filesystem::copy_file(std::string(DOVANEL_FAKES_DIR) + "/lha/UNLHA32.DLL",
                               dir.path() / c.holds / "UNLHA32.DLL");
    HMODULE module = nullptr;
    {
      const ScopedCurrentFolder in(dir.path() / "work");
      const ScopedEnvironment search("DOVANEL_LIBRARY_PATH", c.searched);
      module = LoadLibraryByName("unlha32.dll");
    }
    ASSERT_NE(module, nullptr);
    // Asked from another folder: the name is still the file's.
    EXPECT_EQ(ModulePath(module), (dir.path() / c.holds / "UNLHA32.DLL").string());
    FreeLibrary(module);
  }
}

TEST(LibraryTest, NullModuleFindsNothingAndNamesTheProgram) {
  EXPECT_EQ(GetProcAddress(nullptr, "main"), nullptr);
  EXPECT_TRUE(EndsWith(ModulePath(nullptr), "/test_platform")) << ModulePath(nullptr);
}

TEST(LibraryTest, ModuleFileNameKeepsItsBufferContract) {
  UseFakeLibraries({"lha"});
  HMODULE module = LoadLibraryByName("UNLHA32.DLL");
  ASSERT_NE(module, nullptr);
  char small[8];
  EXPECT_EQ(GetModuleFileNameA(module, small, sizeof small), 7u);
  EXPECT_EQ(std::string(small), ModulePath(module).substr(0, 7));
  FreeLibrary(module);
}

TEST(LibraryTest, SearchPathFindsAFileByBareNameInTheCurrentFolder) {
  TempDir dir;
  WriteFile(dir / "stub.dat", "MZ");
  const std::filesystem::path saved = std::filesystem::current_path();
  char buffer[512];
  char* filePart = nullptr;
  DWORD length = 0, missing = 0, needed = 0;
  std::string found;
  {
    const ScopedCurrentFolder in(dir.path());
    ASSERT_EQ(std::filesystem::current_path(), dir.path());
    length = SearchPathA(nullptr, "stub.dat", nullptr, sizeof buffer, buffer, &filePart);
    found = buffer;
    missing = SearchPathA(nullptr, "no-such-stub.dat", nullptr, sizeof buffer, buffer, nullptr);
    char tiny[4];
    needed = SearchPathA(nullptr, "stub.dat", nullptr, sizeof tiny, tiny, nullptr);
  }
  ASSERT_EQ(std::filesystem::current_path(), saved);
  EXPECT_EQ(found, dir / "stub.dat");
  EXPECT_EQ(length, found.size());
  EXPECT_STREQ(filePart, "stub.dat");
  EXPECT_EQ(missing, 0u);
  EXPECT_EQ(needed, found.size() + 1) << "too small a buffer gets the size it needs";
}
}  // namespace
