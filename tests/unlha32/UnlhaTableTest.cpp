// The LHA function table: which entries reach the library and which reach
// their stubs, what a stub reports, what each call passes on, and the
// library's release.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/winapi/Library.h"
#include "platform/winapi/MessageBox.h"
#include "tests/support/FakeLibraries.h"
#include "unlha32/unlha32.h"

namespace {
// The library's exports in table order, with the arguments the fake records
// for the samples below; `stub` where the box names the entry differently.
struct Row {
  std::string exported;
  std::string arguments;
  std::string stub = {};
};

std::vector<Row> Table() {
  const std::string window = "0x123456789a";
  const std::string archive = "9000000000";
  const std::string buffer = archive + ", 0x5a00, -7";
  return {
      {"UnlhaGetVersion", ""},
      {"UnlhaGetSubVersion", ""},
      {"UnlhaGetRunning", ""},
      {"UnlhaGetBackGroundMode", ""},
      {"UnlhaSetBackGroundMode", "-7"},
      {"UnlhaGetCursorMode", ""},
      {"UnlhaSetCursorMode", "-7"},
      {"UnlhaGetCursorInterval", ""},
      {"UnlhaSetCursorInterval", "65535"},
      {"Unlha", window + ", \"sample.lzh\", 0x5a00, 4000000000"},
      {"UnlhaCheckArchive", "\"sample.lzh\", -7"},
      {"UnlhaConfigDialog", window + ", 0x5a00, -7"},
      {"UnlhaGetFileCount", "\"sample.lzh\""},
      {"UnlhaOpenArchive", window + ", \"sample.lzh\", 4000000000"},
      {"UnlhaCloseArchive", archive},
      {"UnlhaFindFirst", archive + ", \"sample.lzh\", 0x6b00"},
      {"UnlhaFindNext", archive + ", 0x6b00"},
      {"UnlhaGetArcFileName", buffer},
      {"UnlhaGetArcFileSize", archive},
      {"UnlhaGetArcOriginalSize", archive},
      {"UnlhaGetArcCompressedSize", archive, "UnlhaGetArcCompessedSize"},
      {"UnlhaGetArcRatio", archive},
      {"UnlhaGetArcDate", archive},
      {"UnlhaGetArcTime", archive},
      {"UnlhaGetArcOSType", archive},
      {"UnlhaGetFileName", buffer},
      {"UnlhaGetMethod", buffer},
      {"UnlhaGetOriginalSize", archive},
      {"UnlhaGetCompressedSize", archive},
      {"UnlhaGetRatio", archive},
      {"UnlhaGetDate", archive},
      {"UnlhaGetTime", archive},
      {"UnlhaGetWriteTime", archive},
      {"UnlhaGetAccessTime", archive, "UnlhaGetAcessTime"},
      {"UnlhaGetCreateTime", archive},
      {"UnlhaGetCRC", archive},
      {"UnlhaGetAttribute", archive},
      {"UnlhaGetOSType", archive},
      {"UnlhaQueryFunctionList", "-7"},
      {"UnlhaSetOwnerWindow", window},
      {"UnlhaClearOwnerWindow", ""},
  };
}

// One sample per argument type; values beyond 32 bits show that handles
// pass at full width. The fake never dereferences the pointers.
template <class T>
T Sample();
template <>
HWND Sample<HWND>() {
  return reinterpret_cast<HWND>(0x123456789aULL);
}
template <>
HARC Sample<HARC>() {
  return 9000000000ULL;
}
template <>
LPCSTR Sample<LPCSTR>() {
  return "sample.lzh";
}
template <>
LPSTR Sample<LPSTR>() {
  return reinterpret_cast<LPSTR>(0x5a00);
}
template <>
ENTRYINFO* Sample<ENTRYINFO*>() {
  return reinterpret_cast<ENTRYINFO*>(0x6b00);
}
template <>
DWORD Sample<DWORD>() {
  return 4000000000U;
}
template <>
int Sample<int>() {
  return -7;
}
template <>
WORD Sample<WORD>() {
  return 65535;
}

template <class Result, class... Arguments>
long long CallWithSamples(Result(WINAPI* function)(Arguments...)) {
  return static_cast<long long>(function(Sample<Arguments>()...));
}

// A call of every entry through the table, in table order.
std::vector<std::function<long long()>> EveryEntry() {
  return {
#define DV_TEST_CALL(name, stubName, Result, parameters, arguments) [] { return CallWithSamples(UnlhaTable().name); },
      DV_UNLHA_FUNCTIONS(DV_TEST_CALL)
#undef DV_TEST_CALL
  };
}

// Records every box instead of showing it, one line per box.
class BoxRecorder {
 public:
  BoxRecorder()
      : previous_(SetMessageBoxHandler([this](HWND owner, const char* text, const char* caption, UINT type) {
          char typeText[16];
          std::snprintf(typeText, sizeof typeText, "0x%X", type);
          boxes_.push_back(std::string("owner=") + (owner == nullptr ? "none" : "set") + " type=" + typeText +
                           " caption=" + caption + " text=" + text);
          return IDOK;
        })) {}
  ~BoxRecorder() { SetMessageBoxHandler(std::move(previous_)); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  const std::vector<std::string>& Boxes() const { return boxes_; }

 private:
  std::vector<std::string> boxes_;
  MessageBoxHandler previous_;
};

std::string StubBox(const std::string& name) {
  return "owner=none type=0x10 caption=PANIC!! text=" + name + ": LHA.DLL not loaded.";
}

class UnlhaTableFixture : public ::testing::Test {
 protected:
  // Start-up may have bound whatever it found; every test binds its own.
  void SetUp() override { UnlhaTableTearDown(); }
  void TearDown() override { UnlhaTableTearDown(); }

  BoxRecorder boxes_;
};

struct Variant {
  const char* name;
  const char* fakeFolder;  // null: no library at all
  std::set<std::string> missing;
};

void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }

class UnlhaTableTest : public UnlhaTableFixture, public ::testing::WithParamInterface<Variant> {};

TEST_P(UnlhaTableTest, EachEntryReachesTheLibraryOrReportsThroughItsStub) {
  const Variant& variant = GetParam();
  const bool present = variant.fakeFolder != nullptr;
  if (present) {
    UseFakeLibraries({variant.fakeFolder});
  } else {
    UseNoLibraries();
  }
  UnlhaTableSetUp();
  EXPECT_TRUE(boxes_.Boxes().empty()) << "set-up reports nothing";
  EXPECT_EQ(UnlhaLoaded(), present);
  EXPECT_EQ(UnlhaLibrary() != nullptr, present);

  std::optional<FakeLibrary> fake;
  if (present) {
    fake.emplace(variant.fakeFolder, "UNLHA32.DLL");
    fake->Clear();
    fake->Config().commandResult = 7;
  }
  const auto calls = EveryEntry();
  const auto table = Table();
  ASSERT_EQ(calls.size(), table.size());
  std::vector<std::string> results, expectedResults, expectedBoxes, expectedCalls;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const Row& row = table[i];
    const bool reaches = present && variant.missing.count(row.exported) == 0;
    results.push_back(std::to_string(i + 1) + " " + row.exported + " -> " + std::to_string(calls[i]()));
    expectedResults.push_back(std::to_string(i + 1) + " " + row.exported + " -> " + (reaches ? "7" : "0"));
    if (reaches) {
      expectedCalls.push_back(row.exported + "(" + row.arguments + ")");
    } else {
      expectedBoxes.push_back(StubBox(row.stub.empty() ? row.exported : row.stub));
    }
  }
  EXPECT_EQ(results, expectedResults);
  EXPECT_EQ(boxes_.Boxes(), expectedBoxes);
  if (fake) {
    EXPECT_EQ(fake->Calls(), expectedCalls);
  }
}

// The missing names are those the lha_table_missing fake hides (tests/fakes).
INSTANTIATE_TEST_SUITE_P(Libraries, UnlhaTableTest,
                         ::testing::Values(Variant{"NoLibrary", nullptr, {}}, Variant{"FullLibrary", "lha_table", {}},
                                           Variant{"SomeNamesMissing",
                                                   "lha_table_missing",
                                                   {"UnlhaGetVersion", "UnlhaGetArcCompressedSize",
                                                    "UnlhaGetAccessTime", "UnlhaClearOwnerWindow"}}),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

// True while the process still has the file loaded.
bool StillLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

TEST_F(UnlhaTableFixture, TearDownReleasesTheLibraryAndPutsTheStubsBack) {
  UseFakeLibraries({"lha_table"});
  const std::string path = std::string(DOVANEL_FAKES_DIR) + "/lha_table/UNLHA32.DLL";
  UnlhaTableSetUp();
  UnlhaTableSetUp();  // again: must not hold the library twice
  ASSERT_TRUE(UnlhaLoaded());
  char loaded[4096] = {};
  GetModuleFileNameA(UnlhaLibrary(), loaded, sizeof loaded);
  EXPECT_EQ(loaded, path);

  UnlhaTableTearDown();
  EXPECT_FALSE(UnlhaLoaded());
  EXPECT_EQ(UnlhaLibrary(), nullptr);
  EXPECT_FALSE(StillLoaded(path));
  EXPECT_EQ(UnlhaTable().UnlhaOpenArchive(nullptr, "a.lzh", 0), 0u);
  EXPECT_EQ(boxes_.Boxes(), std::vector<std::string>{StubBox("UnlhaOpenArchive")});
}
}  // namespace
